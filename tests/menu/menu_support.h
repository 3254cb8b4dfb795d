// Helpers for the menu tests: font strips and button pictures written as BMP files, and
// pixel lookups by colour.
#pragma once

#include <string>
#include <vector>

#include "framework/surface_utils.h"
#include "tests/framework/framework_support.h"

namespace menutest {

using fwtest::Rgb;

constexpr int kFontHeight = 10;

// The colour of glyph i: never pure blue, different for every glyph; fonts drawn in
// different inks differ in their blue part (a multiple of 8 below 255).
inline Rgb glyphColour(int i, int ink = 0) {
    return {(i / 64 + 1) * 64, (i % 64) * 4, ink};
}

inline std::uint16_t glyphPixel(int i, int ink = 0) {
    const Rgb c = glyphColour(i, ink);
    return fwtest::rgb565(c.r, c.g, c.b);
}

struct FontStrip {
    int width = 0;
    std::vector<int> lefts;  // first column of each glyph in the picture
};

// Writes a font picture: a blue gap of `gap` columns before each glyph of widths[i]
// columns. Row 0 of every glyph is blue (a transparent pixel); the other rows carry the
// glyph's colour in the given ink. trailingGap 0 makes the last glyph touch the right edge.
inline FontStrip writeFont(const std::string& path, const std::vector<int>& widths, int gap = 1,
                           int trailingGap = 1, int ink = 0) {
    FontStrip strip;
    std::vector<int> owner;  // glyph index per column, -1 for blue
    for (std::size_t i = 0; i < widths.size(); ++i) {
        owner.insert(owner.end(), static_cast<std::size_t>(gap), -1);
        strip.lefts.push_back(static_cast<int>(owner.size()));
        owner.insert(owner.end(), static_cast<std::size_t>(widths[i]), static_cast<int>(i));
    }
    owner.insert(owner.end(), static_cast<std::size_t>(trailingGap), -1);
    strip.width = static_cast<int>(owner.size());
    fwtest::writeBmp(path, strip.width, kFontHeight, [&](int x, int y) {
        const int g = owner[static_cast<std::size_t>(x)];
        if (g < 0 || y == 0) return Rgb{0, 0, 255};
        return glyphColour(g, ink);
    });
    return strip;
}

// Widths 1 ... 12 repeating, so the widest glyph is 12 columns.
inline std::vector<int> standardWidths(int count = 94) {
    std::vector<int> widths;
    for (int i = 0; i < count; ++i) widths.push_back(i % 12 + 1);
    return widths;
}

// A strip of `frames` solid frames side by side, each w x h.
inline void writeStrip(const std::string& path, int w, int h, int frames = 2) {
    fwtest::writeBmp(path, w * frames, h, [w](int x, int) {
        return x / w == 0 ? Rgb{200, 40, 40} : Rgb{40, 200, 40};
    });
}

// Columns of row y in [x0, x1) whose pixel equals value.
inline std::vector<int> columnsWithPixel(IDirectDrawSurface* s, int y, int x0, int x1,
                                         std::uint16_t value) {
    std::vector<int> found;
    for (int x = x0; x < x1; ++x) {
        if (getPixel(s, x, y) == value) found.push_back(x);
    }
    return found;
}

// Counts pixels of a rectangle equal to value.
inline int countPixels(IDirectDrawSurface* s, int x0, int y0, int x1, int y1, std::uint16_t value) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) n += getPixel(s, x, y) == value ? 1 : 0;
    }
    return n;
}

}  // namespace menutest
