// The pictures of the shell's test program.
#pragma once

#include <string>

namespace art {

// Writes background.bmp, ButtonOne.bmp, ButtonTwo.bmp (3-state strips), Spinner.bmp
// (8 frames) and Dialog.bmp into `folder`. Returns false when a file could not be written.
bool writeShellDemoPictures(const std::string& folder);

}  // namespace art
