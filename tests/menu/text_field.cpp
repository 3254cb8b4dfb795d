// The one-line text entry: typing through the key queue, limits, focus and selection
// clicks, and drawing with the normal or selected font and the caret.
#include "menu/text_field.h"

#include <gtest/gtest.h>

#include <string>

#include "qv/qv.h"
#include "shell/keyboard_queue.h"
#include "shell/timer_service.h"
#include "tests/menu/menu_support.h"
#include "tests/support/temp_dir.h"

using menutest::glyphPixel;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

constexpr int kShift = 0x100;
constexpr std::uint16_t kPaper = 0x1234;

// Scan codes of keys that type: their characters come as text, never from the key itself.
constexpr int kH = 35, kA = 30;

void pushKeys(std::initializer_list<int> events) {
    for (int e : events) pushKeyEvent(e);
}

// Text as the system's text input delivers it, one character event each.
void pushText(const char* text) {
    for (const char* c = text; *c; ++c) pushKeyEvent(kCharEvent | static_cast<unsigned char>(*c));
}

int ch(char c) {
    return kCharEvent | static_cast<unsigned char>(c);
}

class TextFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetKeyboardQueue();
        fontFile = dir.str() + "/font.bmp";
        menutest::writeFont(fontFile, menutest::standardWidths());
        ASSERT_EQ(normal.load(fontFile.c_str()), 1);
        ASSERT_EQ(highlighted.load(fontFile.c_str()), 1);
        highlighted.setLetterSpacing(5);
    }
    // An editable field of the players page: 64 bytes, 580 wide, focused.
    void makeEntry(TextField& field, int boxWidth = 580) {
        field.setCapacity(64);
        field.addFont(&normal);
        field.addFont(&highlighted);
        field.setBox(50, 270, boxWidth, 26);
        field.setSelectionMode(0);
        field.setFocus(1);
    }

    testsupport::TempDir dir;
    std::string fontFile;
    BitmapFont normal;
    BitmapFont highlighted;
};

TEST_F(TextFieldTest, TypesQueuedKeysAndEditsWithBackspace) {
    TextField field;
    makeEntry(field);
    // The keys pressed arrive beside the text they type: only the text goes in, and a
    // character the font cannot show (an e with an accent, a control character) is dropped.
    pushKeys({kH + kShift, ch('H'), ch('i'), ch(' '), ch('t'), ch('\xE9'), ch('h'), ch('e'),
              kA, ch('r'), ch('\x7F'), ch('e'), ch('!')});
    EXPECT_EQ(field.processKeys(), 0);
    EXPECT_STREQ(field.getText(), "Hi there!");
    EXPECT_EQ(field.length, 9);

    pushKeys({TextField::kBackspaceKey, TextField::kBackspaceKey, ch('a')});
    EXPECT_EQ(field.processKeys(), 0);
    EXPECT_STREQ(field.getText(), "Hi thera");

    // Shift with Backspace, Enter or Tab does nothing; unknown keys are dropped.
    pushKeys({TextField::kBackspaceKey + kShift, TextField::kEnterKey + kShift,
              TextField::kTabKey + kShift, 1, 59});
    EXPECT_EQ(field.processKeys(), 0);
    EXPECT_STREQ(field.getText(), "Hi thera");
    EXPECT_EQ(field.focused, 1);
    EXPECT_EQ(popKeyEvent(), 0);

    for (int i = 0; i < 10; ++i) field.backspace();
    EXPECT_STREQ(field.getText(), "");
    EXPECT_EQ(field.length, 0);
}

TEST_F(TextFieldTest, EnterAndTabStopReadingAndLeaveLaterKeysQueued) {
    TextField field;
    makeEntry(field);
    pushKeys({ch('a'), TextField::kTabKey, ch('h')});
    EXPECT_EQ(field.processKeys(), TextField::kTabKey);
    EXPECT_EQ(field.focused, 1);
    EXPECT_STREQ(field.getText(), "a");

    pushKeys({TextField::kEnterKey, ch('i')});
    EXPECT_EQ(field.processKeys(), TextField::kEnterKey);
    EXPECT_EQ(field.focused, 0);
    EXPECT_STREQ(field.getText(), "ah");
    EXPECT_EQ(popKeyEvent(), ch('i'));

    // Unfocused or not editable: keys stay in the queue.
    pushText("a");
    EXPECT_EQ(field.processKeys(), 0);
    field.focused = 1;
    field.setEditable(0);
    EXPECT_EQ(field.processKeys(), 0);
    EXPECT_EQ(popKeyEvent(), ch('a'));
    EXPECT_STREQ(field.getText(), "ah");
}

TEST_F(TextFieldTest, GainingTheFocusDiscardsEarlierKeys) {
    TextField field;
    makeEntry(field);
    field.setFocus(0);
    pushText("ah");
    field.setFocus(1);
    EXPECT_EQ(popKeyEvent(), 0);
    // Already focused: the queue is kept.
    pushText("a");
    field.setFocus(1);
    EXPECT_EQ(field.processKeys(), 0);
    EXPECT_STREQ(field.getText(), "a");
}

TEST_F(TextFieldTest, FullFieldsIgnoreFurtherCharacters) {
    TextField byCount;
    makeEntry(byCount, 5000);
    for (int i = 0; i < 70; ++i) pushKeyEvent(ch('!'));
    byCount.processKeys();
    EXPECT_EQ(byCount.length, 62);
    EXPECT_EQ(std::string(byCount.getText()), std::string(62, '!'));

    // '#' advances by 4 in font 0 (3 wide, spacing 1): 4 of them reach 16, a fifth 20.
    TextField byWidth;
    makeEntry(byWidth, 20);
    for (int i = 0; i < 8; ++i) byWidth.insertChar('#');
    EXPECT_STREQ(byWidth.getText(), "####");
    EXPECT_LT(normal.textWidth(byWidth.getText()), 20);

    // A field without a buffer takes nothing and does not crash.
    TextField bare;
    bare.insertChar('a');
    bare.backspace();
    bare.setText("x");
    EXPECT_STREQ(bare.getText(), "");
}

TEST_F(TextFieldTest, SetTextNeverLeavesLengthBeyondTheBuffer) {
    TextField field;
    field.setCapacity(8);
    field.setText("1234567");
    EXPECT_STREQ(field.getText(), "1234567");
    EXPECT_EQ(field.length, 7);
    field.setText("12345678");
    EXPECT_STREQ(field.getText(), "1234567");
    EXPECT_EQ(field.length, 7);
    field.setText("");
    EXPECT_EQ(field.length, 0);
    field.setText(std::string(300, 'x').c_str());
    EXPECT_EQ(field.length, 0);
    EXPECT_STREQ(field.getText(), "");
}

TEST_F(TextFieldTest, HitTestIncludesEdgesAndSubtractsTheOrigin) {
    TextField field;
    field.setBox(100, 50, 150, 30);
    EXPECT_EQ(field.hitTest(100, 50), 1);
    EXPECT_EQ(field.hitTest(250, 80), 1);
    EXPECT_EQ(field.hitTest(251, 60), 0);
    EXPECT_EQ(field.hitTest(120, 49), 0);
    field.setOrigin(10, 20);
    EXPECT_EQ(field.hitTest(110, 70), 1);
    EXPECT_EQ(field.hitTest(100, 50), 0);
}

TEST_F(TextFieldTest, ClicksFocusOrSelectDependingOnTheMode) {
    TextField entry;
    entry.setBox(0, 0, 100, 20);
    entry.setSelectionMode(0);
    EXPECT_EQ(entry.click(10, 10), 1);
    EXPECT_EQ(entry.selected, 0);
    EXPECT_EQ(entry.click(200, 10), 0);

    TextField name;
    name.setBox(0, 0, 100, 20);
    EXPECT_EQ(name.click(5, 5), 0);  // selects
    EXPECT_EQ(name.selected, 1);
    EXPECT_EQ(name.click(5, 5), 1);  // focuses the selected field
    EXPECT_EQ(name.selected, 1);
    EXPECT_EQ(name.click(5, 5), 0);  // unfocuses, stays selected
    EXPECT_EQ(name.selected, 1);
    EXPECT_EQ(name.click(500, 5), 0);  // a miss clears both
    EXPECT_EQ(name.selected, 0);
    EXPECT_EQ(name.focused, 0);
}

TEST_F(TextFieldTest, DrawsWithTheSelectedFontAndTheCaret) {
    IDirectDrawSurface* target = fwtest::makeSurface(800, 100);
    ASSERT_NE(target, nullptr);
    const std::string caretFile = dir.str() + "/caret.bmp";
    fwtest::writeSolidBmp(caretFile, 4, 10, {255, 255, 255});
    const std::uint16_t white = fwtest::rgb565(255, 255, 255);
    const std::uint16_t bang = glyphPixel(0);

    TextField field;
    field.setCapacity(64);
    field.addFont(&normal);
    field.addFont(&highlighted);
    field.setCaret(caretFile.c_str());
    field.setBox(100, 20, 200, 26);
    field.setText("!!");

    fwtest::fillRect(target, 0, 0, 800, 100, kPaper);
    field.draw(target);
    EXPECT_EQ(menutest::columnsWithPixel(target, 25, 90, 320, bang), (std::vector<int>{100, 102}));
    // Not focused: no caret.
    EXPECT_TRUE(menutest::columnsWithPixel(target, 25, 90, 320, white).empty());

    field.setSelected(1);
    field.setFocus(1);
    fwtest::fillRect(target, 0, 0, 800, 100, kPaper);
    field.draw(target);
    EXPECT_EQ(menutest::columnsWithPixel(target, 25, 90, 320, bang), (std::vector<int>{100, 106}));
    // The caret follows the text: 2 glyphs of advance 6 in the selected font.
    EXPECT_EQ(menutest::columnsWithPixel(target, 25, 90, 320, white),
              (std::vector<int>{112, 113, 114, 115}));

    // Not editable: no caret.
    field.setEditable(0);
    fwtest::fillRect(target, 0, 0, 800, 100, kPaper);
    field.draw(target);
    EXPECT_TRUE(menutest::columnsWithPixel(target, 25, 90, 320, white).empty());

    // The text stops before it would reach the box's right edge.
    TextField narrow;
    narrow.setCapacity(64);
    narrow.addFont(&normal);
    narrow.setBox(100, 20, 5, 26);
    narrow.setText("!!!!!!");
    fwtest::fillRect(target, 0, 0, 800, 100, kPaper);
    narrow.draw(target);
    EXPECT_EQ(menutest::columnsWithPixel(target, 25, 90, 320, bang), (std::vector<int>{100, 102}));
    target->Release();
}

TEST_F(TextFieldTest, OwnedFontsComeFromFiles) {
    TextField field;
    field.loadFont(fontFile.c_str());
    EXPECT_EQ(field.fontsShared, 0);
    EXPECT_EQ(field.height, menutest::kFontHeight);
    field.setCapacity(64);
    field.setBox(0, 0, 100, 20);
    field.insertChar('!');
    field.insertChar('"');
    EXPECT_STREQ(field.getText(), "!\"");

    TextField shared;
    shared.addFont(&normal);
    EXPECT_EQ(shared.fontsShared, 1);
    EXPECT_EQ(shared.height, menutest::kFontHeight);
}

}  // namespace

namespace {

// Presents frames until the framework clock has moved past `ms`; the headless timer ticks
// once per presented frame.
bool advanceClockPast(int ms) {
    for (int i = 0; i < 1000 && getTimerClockMs() <= ms; ++i) QVFlip();
    return getTimerClockMs() > ms;
}

TEST_F(TextFieldTest, CaretChangesPhaseEvery500Milliseconds) {
    ASSERT_EQ(startTimerService(), 0);
    IDirectDrawSurface* target = fwtest::makeSurface(800, 100);
    ASSERT_NE(target, nullptr);
    const std::string caretFile = dir.str() + "/caret.bmp";
    fwtest::writeSolidBmp(caretFile, 4, 10, {255, 255, 255});
    const std::uint16_t white = fwtest::rgb565(255, 255, 255);
    TextField field;
    makeEntry(field);
    field.setCaret(caretFile.c_str());
    auto caretShown = [&] {
        fwtest::fillRect(target, 0, 0, 800, 100, kPaper);
        field.setBox(50, 20, 580, 26);
        field.draw(target);
        return !menutest::columnsWithPixel(target, 25, 40, 700, white).empty();
    };
    ASSERT_TRUE(advanceClockPast(0));
    // The first draw past the caret's start time changes phase and sets the next at +500.
    const int before = getTimerClockMs();
    const bool first = caretShown();
    const int next = field.caret->frameClock;
    EXPECT_GE(next, before + 500);
    EXPECT_LE(next, getTimerClockMs() + 500);
    EXPECT_EQ(caretShown(), first);
    ASSERT_TRUE(advanceClockPast(next - 20));
    EXPECT_EQ(caretShown(), first);
    ASSERT_TRUE(advanceClockPast(next));
    EXPECT_NE(caretShown(), first);
    // A frame that came late does not put the blinks off: each is due 500 ms after the last
    // was due, until a pause longer than a blink starts them afresh.
    EXPECT_EQ(field.caret->frameClock, next + 500);
    ASSERT_TRUE(advanceClockPast(next + 700));
    EXPECT_EQ(caretShown(), first);
    EXPECT_EQ(field.caret->frameClock, next + 1000);
    ASSERT_TRUE(advanceClockPast(next + 1600));
    caretShown();
    EXPECT_GT(field.caret->frameClock, next + 2100);
    stopTimerService();
    target->Release();
}

}  // namespace
