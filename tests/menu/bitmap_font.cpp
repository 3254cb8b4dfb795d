// The menu's picture font: reading glyph runs, advances and drawing.
#include "menu/bitmap_font.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/menu/menu_support.h"
#include "tests/support/temp_dir.h"

using menutest::glyphPixel;
using menutest::kFontHeight;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

constexpr std::uint16_t kPaper = 0x1234;

int glyphIndex(char ch) {
    return static_cast<unsigned char>(ch) - 33;
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        target = fwtest::makeSurface(1000, 40);
        ASSERT_NE(target, nullptr);
        fwtest::fillRect(target, 0, 0, 1000, 40, kPaper);
    }
    void TearDown() override {
        if (target) target->Release();
    }
    std::string file(const char* name) const { return dir.str() + "/" + name; }

    testsupport::TempDir dir;
    IDirectDrawSurface* target = nullptr;
};

TEST_F(FontTest, ReadsAllGlyphRunsAndDerivesSpacing) {
    const auto widths = menutest::standardWidths();
    // Gaps of three columns before each glyph do not count toward any width.
    const menutest::FontStrip strip = menutest::writeFont(file("font.bmp"), widths, 3);
    BitmapFont font;
    ASSERT_EQ(font.load(file("font.bmp").c_str()), 1);
    EXPECT_EQ(font.glyphHeight, kFontHeight);
    for (int i = 0; i < BitmapFont::kGlyphCount; ++i) {
        EXPECT_EQ(font.glyphs[i].left, strip.lefts[i]) << "glyph " << i;
        EXPECT_EQ(font.glyphs[i].width, widths[i]) << "glyph " << i;
        EXPECT_EQ(font.glyphs[i].right, strip.lefts[i] + widths[i]) << "glyph " << i;
    }
    // Widest glyph 12: half of it for a space, a tenth (truncated) between letters.
    EXPECT_EQ(font.spaceWidth, 6);
    EXPECT_EQ(font.letterSpacing, 1);

    EXPECT_EQ(font.charAdvance('!'), 1 + 1);
    EXPECT_EQ(font.charAdvance('~'), widths[93] + 1);
    EXPECT_EQ(font.charAdvance(' '), 6);
    EXPECT_EQ(font.charAdvance('\t'), 6);
    EXPECT_EQ(font.charAdvance(static_cast<char>(0xE9)), 6);
    EXPECT_EQ(font.charAdvance(static_cast<char>(127)), 0);
    EXPECT_EQ(font.textWidth("! !"), 2 + 6 + 2);
    EXPECT_EQ(font.textWidth(""), 0);

    font.setSpaceWidth(9);
    font.setLetterSpacing(4);
    EXPECT_EQ(font.charAdvance(' '), 9);
    EXPECT_EQ(font.charAdvance('"'), 2 + 4);
    EXPECT_EQ(font.textWidth("!\" "), 5 + 6 + 9);
}

TEST_F(FontTest, LastGlyphTouchingTheRightEdgeKeepsItsWidth) {
    auto widths = menutest::standardWidths();
    widths[93] = 7;
    menutest::writeFont(file("edge.bmp"), widths, 1, 0);
    BitmapFont font;
    ASSERT_EQ(font.load(file("edge.bmp").c_str()), 1);
    EXPECT_EQ(font.glyphs[93].width, 7);
    EXPECT_EQ(font.glyphs[93].right, font.glyphs[93].left + 7);
}

TEST_F(FontTest, ShortStripReportsFailureButKeepsTheGlyphsFound) {
    menutest::writeFont(file("short.bmp"), menutest::standardWidths(50));
    BitmapFont font;
    EXPECT_EQ(font.load(file("short.bmp").c_str()), 0);
    EXPECT_EQ(font.glyphs[49].width, 49 % 12 + 1);
    EXPECT_EQ(font.glyphs[50].left, -1);
    EXPECT_EQ(font.glyphs[93].right, -1);

    const char found = static_cast<char>(33 + 49);
    const char missing = static_cast<char>(33 + 50);
    EXPECT_EQ(font.drawChar(target, found, 10, 5), font.glyphs[49].width + font.letterSpacing);
    EXPECT_GT(menutest::countPixels(target, 10, 5, 30, 15, glyphPixel(49)), 0);
    EXPECT_EQ(font.charAdvance(missing), 0);
    EXPECT_EQ(font.drawChar(target, missing, 100, 5), 0);
    EXPECT_EQ(menutest::countPixels(target, 100, 0, 130, 40, kPaper), 30 * 40);
}

TEST_F(FontTest, MissingPictureDrawsNothing) {
    BitmapFont font;
    EXPECT_EQ(font.load(file("absent.bmp").c_str()), 0);
    EXPECT_EQ(font.textWidth("Hello"), 0);
    EXPECT_EQ(font.drawText(target, "Hello", 0, 0, 0, -1), 1);
    EXPECT_EQ(menutest::countPixels(target, 0, 0, 100, 20, kPaper), 100 * 20);
}

TEST_F(FontTest, DrawCharCopiesTheGlyphWithTheBlueKey) {
    menutest::writeFont(file("font.bmp"), menutest::standardWidths());
    BitmapFont font;
    ASSERT_EQ(font.load(file("font.bmp").c_str()), 1);
    const int g = glyphIndex('A');
    const int w = font.glyphs[g].width;
    EXPECT_EQ(font.drawChar(target, 'A', 40, 7), w + 1);
    // Row 0 of the glyph is blue: the target shows through.
    EXPECT_EQ(menutest::countPixels(target, 40, 7, 40 + w, 8, kPaper), w);
    EXPECT_EQ(menutest::countPixels(target, 40, 8, 40 + w, 7 + kFontHeight, glyphPixel(g)),
              w * (kFontHeight - 1));
    // Nothing outside the glyph's box.
    EXPECT_EQ(menutest::countPixels(target, 40 + w, 0, 80, 40, kPaper), (40 - w) * 40);
    EXPECT_EQ(menutest::countPixels(target, 40, 7 + kFontHeight, 40 + w, 40, kPaper),
              w * (40 - 7 - kFontHeight));
    // A space advances without drawing; control bytes and 127 neither.
    EXPECT_EQ(font.drawChar(target, ' ', 200, 0), font.spaceWidth);
    EXPECT_EQ(font.drawChar(target, '\n', 200, 0), 0);
    EXPECT_EQ(font.drawChar(target, static_cast<char>(127), 200, 0), 0);
    EXPECT_EQ(menutest::countPixels(target, 190, 0, 260, 40, kPaper), 70 * 40);
}

TEST_F(FontTest, RightAlignedTextEndsAtX) {
    menutest::writeFont(file("font.bmp"), menutest::standardWidths());
    BitmapFont font;
    ASSERT_EQ(font.load(file("font.bmp").c_str()), 1);
    font.setLetterSpacing(0);
    const int w1 = font.glyphs[glyphIndex('1')].width;
    const int w2 = font.glyphs[glyphIndex('2')].width;
    EXPECT_EQ(font.drawText(target, "12", 716, 10, 1, -1), 1);
    const auto twos = menutest::columnsWithPixel(target, 12, 600, 800, glyphPixel(glyphIndex('2')));
    ASSERT_EQ(static_cast<int>(twos.size()), w2);
    EXPECT_EQ(twos.front(), 716 - w2);
    EXPECT_EQ(twos.back(), 715);
    const auto ones = menutest::columnsWithPixel(target, 12, 600, 800, glyphPixel(glyphIndex('1')));
    ASSERT_EQ(static_cast<int>(ones.size()), w1);
    EXPECT_EQ(ones.back(), 716 - w2 - 1);
    EXPECT_EQ(getPixel(target, 716, 12), kPaper);

    // Any other alignment draws nothing.
    fwtest::fillRect(target, 0, 0, 1000, 40, kPaper);
    EXPECT_EQ(font.drawText(target, "12", 500, 10, 2, -1), 1);
    EXPECT_EQ(menutest::countPixels(target, 400, 10, 600, 20, kPaper), 200 * 10);
}

TEST_F(FontTest, LeftAlignedTextStopsBeforeTheLimit) {
    menutest::writeFont(file("font.bmp"), menutest::standardWidths());
    BitmapFont font;
    ASSERT_EQ(font.load(file("font.bmp").c_str()), 1);
    // '#' is 3 wide, advance 4: glyphs start at 100, 104, 108, ...
    const std::uint16_t hash = glyphPixel(glyphIndex('#'));
    font.drawText(target, "########", 100, 0, 0, 112);
    // 100 + 4 < 112, 104 + 4 < 112, 108 + 4 reaches it: two glyphs.
    EXPECT_EQ(menutest::columnsWithPixel(target, 5, 90, 200, hash).size(), 6u);

    fwtest::fillRect(target, 0, 0, 1000, 40, kPaper);
    font.drawText(target, "########", 100, 0, 0, -1);
    EXPECT_EQ(menutest::columnsWithPixel(target, 5, 90, 200, hash).size(), 24u);
}

TEST_F(FontTest, TextIsCutAt255Characters) {
    menutest::writeFont(file("font.bmp"), menutest::standardWidths());
    BitmapFont font;
    ASSERT_EQ(font.load(file("font.bmp").c_str()), 1);
    // '!' is 1 wide with advance 2 at letter spacing 1.
    const std::string text(300, '!');
    font.drawText(target, text.c_str(), 0, 0, 0, -1);
    const auto marks = menutest::columnsWithPixel(target, 5, 0, 1000, glyphPixel(0));
    ASSERT_EQ(marks.size(), 255u);
    EXPECT_EQ(marks.back(), 254 * 2);

    fwtest::fillRect(target, 0, 0, 1000, 40, kPaper);
    font.drawText(target, text.c_str(), 999, 0, 1, -1);
    const auto right = menutest::columnsWithPixel(target, 5, 0, 1000, glyphPixel(0));
    ASSERT_EQ(right.size(), 255u);
    EXPECT_EQ(right.front(), 999 - 255 * 2);
}

}  // namespace
