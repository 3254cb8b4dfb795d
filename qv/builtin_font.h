// The built-in text font of the display library.
#pragma once

namespace qvfont {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// Advance per character, one column of space included; glyphs are drawn twice the size.
constexpr int kScale = 2;
constexpr int kAdvance = (kGlyphWidth + 1) * kScale;
extern const unsigned char kGlyphs[95][7];

}  // namespace qvfont
