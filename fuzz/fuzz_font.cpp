// libFuzzer target for the menu's picture font: each input is loaded as a glyph strip, then
// texts are measured and drawn at the screen's edges. Found glyphs must lie inside the strip
// and the measured width must be the sum of the advances.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "menu/bitmap_font.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_font", ".bmp");
    IDirectDrawSurface* back = fuzzing::openDisplay();
    if (!fuzzing::writeInput(path, data, size)) return 0;

    BitmapFont font;
    font.setSpaceWidth(4);
    font.setLetterSpacing(1);
    const int loaded = font.load(path.c_str());
    if (loaded != 0 && loaded != 1) std::abort();
    if (font.surface != nullptr) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        font.surface->GetSurfaceDesc(&desc);
        for (const BitmapFont::Glyph& g : font.glyphs) {
            if (g.left == -1) continue;
            if (g.left < 0 || g.right <= g.left || g.right > static_cast<int>(desc.dwWidth) ||
                g.width != g.right - g.left)
                std::abort();
        }
    }

    std::string text;
    for (int c = 32; c < 128; ++c) text += static_cast<char>(c);
    text += "\x01\xff\x80";
    int sum = 0;
    for (char c : text) sum += font.charAdvance(c);
    if (font.textWidth(text.c_str()) != sum) std::abort();
    const std::string longText(400, 'W');
    font.textWidth(longText.c_str());
    if (back != nullptr) {
        font.drawText(back, text.c_str(), 0, 0, 0, -1);
        font.drawText(back, text.c_str(), 790, 590, 0, 800);
        font.drawText(back, longText.c_str(), 10, -5, 1, -1);
        font.drawText(back, "Hi", -30, 300, 0, 20);
        font.drawChar(back, 'A', 799, 599);
    }
    return 0;
}
