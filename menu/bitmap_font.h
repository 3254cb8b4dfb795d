// The menu's proportional picture font: one strip of 94 glyphs ("!" to "~") side by side
// on pure blue, each glyph a run of non-blue columns, drawn with the blue colour key.
#pragma once

#include "platform/display/ddraw.h"

class BitmapFont {
public:
    static constexpr int kFirstChar = 33;
    static constexpr int kGlyphCount = 94;
    static constexpr int kMaxTextLength = 255;

    struct Glyph {
        int left;   // first column, -1 when not found
        int right;  // first empty column after it, -1 when not found
        int width;  // right - left
    };

    BitmapFont();
    ~BitmapFont();
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // 1 when all 94 glyphs were found; 0 otherwise (glyphs found so far stay usable).
    int load(const char* file);
    void setSpaceWidth(int w) { spaceWidth = w; }
    void setLetterSpacing(int s) { letterSpacing = s; }
    // spaceWidth for bytes below 33 and above 127; glyph width + letterSpacing for a
    // found glyph; 0 for a byte without a glyph.
    int charAdvance(char ch) const;
    int textWidth(const char* text) const;
    // Draws one glyph with its top-left corner at (x, y); returns the advance drawn.
    int drawChar(IDirectDrawSurface* target, char ch, int x, int y) const;
    // align 0: from x rightwards, stopping before a character that would reach limitX
    // (-1: no limit); align 1: ending at x. Text is cut at 255 characters. Returns 1.
    int drawText(IDirectDrawSurface* target, const char* text, int x, int y, int align,
                 int limitX) const;

    // The glyph of a byte, or null when it has none.
    const Glyph* glyphFor(char ch) const;

    IDirectDrawSurface* surface;
    int glyphHeight;
    int spaceWidth;
    int letterSpacing;
    Glyph glyphs[kGlyphCount];

private:
    void releaseSurface();
};
