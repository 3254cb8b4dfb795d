// The game list's pictures: its background, page arrows and numbers, the frames over a
// game's picture, the "more games" slot, the information page and Tintaro's list picture.
#pragma once

#include <string>

#include "artwork/canvas.h"

namespace art {

// The list's background with its logo, page controls' ground and the empty slots.
bool writeListBackground(const std::string& folder);
// The two-image strip (normal, lit) of a page arrow pointing left or right.
bool writeArrowStrip(const std::string& folder, const char* name, bool pointsLeft);
// The digits 0 to 9 the page number is written with.
bool writePageNumbers(const std::string& folder);
// The frames drawn over a game's picture: normal, lit and pressed.
bool writeGameButtonFrames(const std::string& folder);
// The slot after the last game, which opens the web site.
bool writeCollectButton(const std::string& folder);
// The information page, full screen.
bool writeInfoPage(const std::string& folder);
// A Back button strip on the given matte.
bool writeBackButton(const std::string& folder, const char* name, Rgb matte);
// Tintaro's picture on the list, written into the game's folder.
bool writeListPicture(const std::string& folder);

}  // namespace art
