// The Gatefold logo as the game list shows it (the name in outlined lettering with a row of
// chips beside it), and the score server's copy of it for web pages.
#pragma once

#include <string>

#include "artwork/canvas.h"

namespace art {

// Draws the logo with the lettering's top-left at (x, y); `scale` 1 is the game list's size.
void drawGatefoldLogo(Canvas& c, double x, double y, double scale);

// The logo's width and height in pixels at `scale`.
void gatefoldLogoSize(double scale, int* width, int* height);

// Writes the web pages' logo, drawn at twice its shown size for sharp screens, as
// `folder`/logo.png on a transparent ground. Returns false when it could not be written.
bool writeWebLogo(const std::string& folder);

}  // namespace art
