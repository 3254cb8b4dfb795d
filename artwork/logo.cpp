#include "artwork/logo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "artwork/look.h"

namespace art {
namespace {

constexpr Rgb kWhite{1, 1, 1};
// At scale 1: the lettering's size and outline, and the chips' row after it.
constexpr double kLetterPoints = 40;
constexpr double kOutline = 3;
constexpr double kChipX = 292, kChipY = 30, kChipStep = 36, kChipRadius = 13;

// The web logo's shown size is this scale of the game list's; its picture has twice the
// pixels.
constexpr double kWebScale = 0.75;

std::string letterFont(double scale) {
    char font[48];
    std::snprintf(font, sizeof font, "DejaVu Sans Bold %g", kLetterPoints * scale);
    return font;
}

}  // namespace

void drawGatefoldLogo(Canvas& c, double x, double y, double scale) {
    c.outlinedText("Gatefold", letterFont(scale), x, y, 0, 0, palette::button, kWhite,
                   kOutline * scale);
    for (int f = 0; f < 6; ++f) {
        cairo_new_path(c.cr());
        drawChip(c, f, x + (kChipX + f * kChipStep) * scale, y + kChipY * scale,
                 kChipRadius * scale);
    }
}

void gatefoldLogoSize(double scale, int* width, int* height) {
    // The lettering's height with its outline, or the chips' row with their shadow, whichever
    // reaches lower; the last chip's right edge with a margin for its rim.
    Canvas probe(1, 1);
    int w = 0, h = 0;
    probe.measureText("Gatefold", letterFont(scale), 0, &w, &h);
    const double outline = kOutline * scale;
    const double right = (kChipX + 5 * kChipStep + kChipRadius) * scale + 2 * outline;
    const double bottom = std::max(h + outline, (kChipY + kChipRadius) * scale + 2 * outline);
    *width = static_cast<int>(std::ceil(right + outline));
    *height = static_cast<int>(std::ceil(bottom + outline));
}

bool writeWebLogo(const std::string& folder) {
    const double scale = 2 * kWebScale;
    int w = 0, h = 0;
    gatefoldLogoSize(scale, &w, &h);
    // Even sizes, so that the page shows it at whole CSS pixels.
    Canvas c(w + w % 2, h + h % 2);
    drawGatefoldLogo(c, kOutline * scale, kOutline * scale, scale);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = folder + "/logo.png";
    if (c.writePng(path)) return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace art
