// Every picture of Tintaro's game folder.
#pragma once

#include <string>

namespace art {

// Writes the pictures into `folder` (the game folder; "title" inside it must exist).
// Returns false when a file could not be written.
bool writeTintaroPictures(const std::string& folder);

}  // namespace art
