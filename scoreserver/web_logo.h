// The logo the score server's pages show, as the artwork generator drew it (a PNG), built
// into the program so that it needs no file beside it.
#pragma once

#include <string_view>

namespace scoreserver {

// The path the logo is served at.
constexpr std::string_view kLogoPath = "/logo.png";

// The PNG's bytes.
std::string_view logoPng();

// The size a page shows the logo at, in CSS pixels: half the picture's, which is drawn at
// twice that for sharp screens.
struct LogoSize {
    int width, height;
};
LogoSize logoShownSize();

}  // namespace scoreserver
