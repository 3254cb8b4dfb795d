// Picture fonts for the menu: the 94 glyphs "!" to "~" side by side on pure blue, each
// glyph one run of drawn columns, glyphs parted by empty (all-blue) columns.
#pragma once

#include <string>

#include "artwork/canvas.h"

namespace art {

struct GlyphStyle {
    std::string font;  // Pango font description, e.g. "DejaVu Sans Bold 11"
    Rgb colour;        // the letters
    Rgb matte;         // the background the font is drawn on (edges are blended onto it)
    int height;        // picture height = glyph height
    double top;        // where the text's layout box starts inside the picture
};

// Draws the strip and writes it to `path`, then reads the file back and checks that it
// holds exactly 94 glyph runs. Returns false (with a message) otherwise.
bool writeGlyphStrip(const std::string& path, const GlyphStyle& style);

// The number of runs of columns holding any pixel other than pure blue in a 24-bit BMP
// file; -1 when the file cannot be read as one.
int countGlyphRuns(const std::string& path);

}  // namespace art
