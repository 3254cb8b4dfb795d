// Every font picture the artwork generator writes loads with all 94 glyphs, and a name set in
// it stays readable in its field.
#include <gtest/gtest.h>

#include <string>

#include "menu/bitmap_font.h"
#include "menu_support.h"

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

TEST(GeneratedFonts, EachHoldsAll94GlyphsAndTypesAReadableName) {
    const std::string stage = STUDIO_STAGE_DIR;
    for (const std::string file :
         {"/n_font.bmp", "/h_font.bmp", "/HallBlackFont.bmp", "/HallPurpleFont.bmp",
          "/Tintaro/n_font.bmp", "/Tintaro/h_font.bmp"}) {
        BitmapFont font;
        EXPECT_EQ(font.load((stage + file).c_str()), 1) << file;
        for (int g = 0; g < 94; ++g) {
            EXPECT_GT(font.glyphs[g].width, 0) << file << " glyph " << static_cast<char>(g + 33);
        }
        // Twelve letters of a name fit a 150-pixel name field.
        EXPECT_LT(font.textWidth("Abcdefghijkl"), 150) << file;
        EXPECT_GT(font.spaceWidth, 0) << file;
    }
}

}  // namespace
