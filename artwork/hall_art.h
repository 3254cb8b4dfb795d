// The hall of fame's pictures: its page with the twenty row bands, and the two fonts its
// black and purple rows are written in.
#pragma once

#include <string>

namespace art {

bool writeHallPage(const std::string& folder);
bool writeHallFonts(const std::string& folder);

}  // namespace art
