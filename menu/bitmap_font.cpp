#include "menu/bitmap_font.h"

#include <cstring>

#include "framework/surface_utils.h"
#include "qv/qv.h"

namespace {

int byteOf(char ch) {
    return static_cast<unsigned char>(ch);
}

}  // namespace

BitmapFont::BitmapFont() : surface(nullptr), glyphHeight(0), spaceWidth(0), letterSpacing(0) {
    for (Glyph& g : glyphs) g = {-1, -1, 0};
}

BitmapFont::~BitmapFont() {
    releaseSurface();
}

void BitmapFont::releaseSurface() {
    if (surface) surface->Release();
    surface = nullptr;
}

int BitmapFont::load(const char* file) {
    releaseSurface();
    for (Glyph& g : glyphs) g = {-1, -1, 0};
    glyphHeight = 0;
    surface = file ? QVLoadBitmap(file) : nullptr;
    if (!surface) return 0;
    int pictureWidth = 0;
    getSurfaceSize(surface, &pictureWidth, &glyphHeight);
    setColourKey(surface, 0, 0, 255);
    const int background = static_cast<int>(colourValue(surface, 0, 0, 255));

    auto columnEmpty = [&](int col) {
        for (int row = 0; row < glyphHeight; ++row) {
            if (getPixel(surface, col, row) != background) return false;
        }
        return true;
    };

    int col = 0;
    for (Glyph& g : glyphs) {
        if (col >= pictureWidth) return 0;
        while (col < pictureWidth && columnEmpty(col)) ++col;
        if (col >= pictureWidth) return 0;
        const int left = col;
        // The picture's right edge ends a glyph like an empty column does.
        while (col < pictureWidth && !columnEmpty(col)) ++col;
        g = {left, col, col - left};
        ++col;
    }

    int widest = 0;
    for (const Glyph& g : glyphs) {
        if (g.width > widest) widest = g.width;
    }
    spaceWidth = widest / 2;
    letterSpacing = widest / 10;
    return 1;
}

const BitmapFont::Glyph* BitmapFont::glyphFor(char ch) const {
    const int index = byteOf(ch) - kFirstChar;
    if (index < 0 || index >= kGlyphCount || glyphs[index].left < 0) return nullptr;
    return &glyphs[index];
}

int BitmapFont::charAdvance(char ch) const {
    if (byteOf(ch) < kFirstChar || byteOf(ch) >= 128) return spaceWidth;
    const Glyph* g = glyphFor(ch);
    return g ? g->width + letterSpacing : 0;
}

int BitmapFont::textWidth(const char* text) const {
    if (!text) return 0;
    int total = 0;
    for (const char* p = text; *p; ++p) total += charAdvance(*p);
    return total;
}

int BitmapFont::drawChar(IDirectDrawSurface* target, char ch, int x, int y) const {
    if (ch == ' ') return spaceWidth;
    const Glyph* g = glyphFor(ch);
    if (!g) return 0;
    blitRegion(surface, g->left, 0, g->width, glyphHeight, target, x, y);
    return g->width + letterSpacing;
}

int BitmapFont::drawText(IDirectDrawSurface* target, const char* text, int x, int y, int align,
                         int limitX) const {
    if (!text) return 1;
    char cut[kMaxTextLength + 1];
    std::strncpy(cut, text, kMaxTextLength);
    cut[kMaxTextLength] = '\0';
    const int n = static_cast<int>(std::strlen(cut));
    if (align == 0) {
        for (int i = 0; i < n; ++i) {
            if (limitX != -1 && x + charAdvance(cut[i]) >= limitX) break;
            x += drawChar(target, cut[i], x, y);
        }
    } else if (align == 1) {
        for (int i = n - 1; i >= 0; --i) {
            x -= charAdvance(cut[i]);
            drawChar(target, cut[i], x, y);
        }
    }
    return 1;
}
