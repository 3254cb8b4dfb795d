// The programs' icons: the desktop's PNG icons at the usual sizes and a BMP icon in each
// program's folder that the program can give its window.
#pragma once

#include <string>

namespace art {

// The sizes the desktop's hicolor theme is given, in pixels.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Writes iconFolder/<N>x<N>/gatefold.png and tintaro.png for every size. Returns false when
// a file could not be written.
bool writeDesktopIcons(const std::string& iconFolder);

// Writes icon.bmp (64 x 64, keyed) into the menu folder and into its Tintaro folder.
bool writeWindowIcons(const std::string& menuFolder, const std::string& gameFolder);

}  // namespace art
