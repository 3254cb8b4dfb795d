// The players page: editing the current profile's fields, focus moves, and the buttons.
#include "menu/players_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"
#include "tests/menu/menu_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] ::testing::Environment* const g_display =
    ::testing::AddGlobalTestEnvironment(new fwtest::DisplayEnvironment);

constexpr int kPageX = 53, kPageY = 18;
constexpr int kShift = 0x100;
constexpr int kSpace = 57, kTwo = 3;
constexpr int kTab = 15, kEnter = 28, kBackspace = 14, kDown = 0xD0;

// A typed character, as the system's text input delivers it.
constexpr int ch(char c) {
    return kCharEvent | static_cast<unsigned char>(c);
}

class PlayersTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetKeyboardQueue();
        PlayersDialog::previousButtons = -1;
        const fs::path menu = dir.path() / "menu";
        const fs::path game = menu / "Game";
        fs::create_directories(game);
        const auto widths = menutest::standardWidths();
        menutest::writeFont((menu / "n_font.bmp").string(), widths);
        menutest::writeFont((menu / "h_font.bmp").string(), widths);
        fwtest::writeSolidBmp((menu / "PlayerInfo.bmp").string(), 700, 560, {230, 230, 230});
        fwtest::writeSolidBmp((menu / "blockcursor.bmp").string(), 4, 10, {255, 255, 255});
        menutest::writeStrip((menu / "EnterButton.bmp").string(), 60, 40);
        menutest::writeStrip((menu / "RemoveButton.bmp").string(), 60, 40);
        menutest::writeStrip((menu / "yesno.bmp").string(), 60, 40);
        menutest::writeStrip((game / "BackButton.bmp").string(), 60, 40);
        previous = fs::current_path();
        fs::current_path(game);

        roster.setPath("..\\options.ini");
        PlayerProfile p{};
        p.reset(2);
        std::snprintf(p.name, sizeof p.name, "Carla");
        std::snprintf(p.address, sizeof p.address, "1 Road");
        std::snprintf(p.email, sizeof p.email, "c@x.org");
        roster.writeProfile(2, reinterpret_cast<const char*>(&p));
        roster.writeCurrentId(2);
        roster.currentId = roster.readCurrentId();
        for (int i = 0; i < PlayerRoster::kPlayers; ++i) roster.readProfile(i);
    }
    void TearDown() override { fs::current_path(previous); }

    // The title screen's sequence: build, place, hand over the current profile.
    void open(PlayersDialog& d) {
        d.setRoster(&roster);
        d.createLists();
        d.setPosition(kPageX, kPageY);
        d.setProfile(&roster.profiles[roster.currentId]);
    }
    // One frame pressed and one released on the button at page (px, py), then the step.
    static void clickButton(PlayersDialog& d, int px, int py) {
        const int x = kPageX + px + 10, y = kPageY + py + 10;
        d.buttonList->handleMouse(x, y, 1);
        d.handleInput(x, y, 1);
        d.buttonList->handleMouse(x, y, 0);
        d.handleInput(x, y, 0);
    }
    static void clickEnter(PlayersDialog& d) { clickButton(d, 474, 471); }
    static void clickRemove(PlayersDialog& d) { clickButton(d, 360, 471); }
    static void clickBack(PlayersDialog& d) { clickButton(d, 608, 489); }
    static void clickYesNo(PlayersDialog& d) { clickButton(d, 37, 486); }
    // One frame's keys, taken as the page's loop takes them, then the frame's input step.
    static void type(PlayersDialog& d, std::initializer_list<int> keys) {
        for (int k : keys) pushKeyEvent(k);
        for (int e = popKeyEvent(); e != 0; e = popKeyEvent()) d.takeKey(e);
        d.handleInput(0, 0, 0);
    }
    static int focusedField(const PlayersDialog& d) {
        int found = -1;
        for (int i = 0; i < PlayersDialog::kFields; ++i) {
            if (d.fields[i]->focused) {
                if (found != -1) return -2;
                found = i;
            }
        }
        return found;
    }

    testsupport::TempDir dir;
    fs::path previous;
    PlayerRoster roster;
};

TEST_F(PlayersTest, OpensOnTheProfileWithTheCaretInTheNameField) {
    PlayersDialog d;
    open(d);
    EXPECT_STREQ(d.fields[0]->getText(), "Carla");
    EXPECT_STREQ(d.fields[1]->getText(), "1 Road");
    EXPECT_STREQ(d.fields[2]->getText(), "c@x.org");
    EXPECT_EQ(d.sendChoice, 1);
    EXPECT_EQ(focusedField(d), 0);
    EXPECT_EQ(d.hFont->letterSpacing, 3);
    EXPECT_EQ(d.nFont->letterSpacing, 1);

    IDirectDrawSurface* back = ::backBuffer;
    fwtest::fillRect(back, 0, 0, 800, 600, 0);
    EXPECT_EQ(d.handleInput(0, 0, 0), 1);
    d.drawOverPage(back);
    const std::uint16_t white = fwtest::rgb565(255, 255, 255);
    const int caretX = 66 + d.hFont->textWidth("Carla");
    EXPECT_EQ(menutest::columnsWithPixel(back, 275, 40, 700, white),
              (std::vector<int>{caretX, caretX + 1, caretX + 2, caretX + 3}));
    EXPECT_TRUE(menutest::columnsWithPixel(back, 341, 40, 700, white).empty());
    // The name is drawn in font 0, the highlighted font.
    EXPECT_EQ(getPixel(back, 66, 275), menutest::glyphPixel('C' - 33));
}

TEST_F(PlayersTest, TypingTabAndEnterMoveTheFocusAround) {
    PlayersDialog d;
    open(d);
    // Keys after the Tab in the same frame are dropped. A key that types comes with its
    // character: Space types a space and presses nothing.
    type(d, {ch('x'), kTab, ch('a')});
    EXPECT_STREQ(d.fields[0]->getText(), "Carlax");
    EXPECT_EQ(focusedField(d), 1);
    EXPECT_STREQ(d.fields[1]->getText(), "1 Road");

    type(d, {kSpace, ch(' '), kTwo + kShift, ch('@'), kEnter});
    EXPECT_STREQ(d.fields[1]->getText(), "1 Road @");
    EXPECT_EQ(focusedField(d), 2);

    type(d, {kBackspace, kTab});
    EXPECT_STREQ(d.fields[2]->getText(), "c@x.or");
    EXPECT_EQ(focusedField(d), 0);
    type(d, {ch('b'), kTab + kShift});
    EXPECT_STREQ(d.fields[0]->getText(), "Carlaxb");
    EXPECT_EQ(focusedField(d), 2);

    // Down leaves the fields for the buttons, where typing types nothing; Enter in the last
    // field saves.
    type(d, {kDown, ch('q')});
    EXPECT_EQ(focusedField(d), -1);
    EXPECT_NE(d.focus.focusedButton(), nullptr);
    EXPECT_STREQ(d.fields[2]->getText(), "c@x.or");
    d.focus.focusBox(2);
    type(d, {kEnter});
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "play");
    EXPECT_STREQ(roster.profiles[2].name, "Carlaxb");
}

TEST_F(PlayersTest, ANewLeftPressFocusesTheFieldUnderIt) {
    PlayersDialog d;
    open(d);
    d.handleInput(0, 0, 0);
    d.handleInput(76, 345, 1);
    EXPECT_EQ(focusedField(d), 1);
    // Holding the button does not click again: the focus the keys moved on stays.
    d.focus.focusBox(2);
    d.handleInput(76, 280, 1);
    EXPECT_EQ(focusedField(d), 2);
    // A press outside all three fields focuses the name field.
    d.handleInput(5, 5, 0);
    d.handleInput(5, 5, 1);
    EXPECT_EQ(focusedField(d), 0);
    // The right button alone clicks nothing.
    d.handleInput(76, 410, 2);
    EXPECT_EQ(focusedField(d), 0);
}

TEST_F(PlayersTest, EnterStoresTheEditsAndTheSendChoice) {
    PlayersDialog d;
    open(d);
    type(d, {kBackspace, kBackspace, kBackspace, kBackspace, kBackspace, kBackspace});
    EXPECT_STREQ(d.fields[0]->getText(), "");
    d.handleInput(76, 345, 1);
    type(d, {ch('c')});
    clickYesNo(d);
    EXPECT_EQ(d.sendChoice, 0);
    EXPECT_EQ(d.closed, 0);
    clickEnter(d);
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "play");
    const PlayerProfile& p = roster.profiles[2];
    EXPECT_STREQ(p.name, "");
    EXPECT_STREQ(p.address, "1 Roadc");
    EXPECT_STREQ(p.email, "c@x.org");
    EXPECT_STREQ(p.send, "N");
}

TEST_F(PlayersTest, BackDropsTheEdits) {
    PlayersDialog d;
    open(d);
    type(d, {ch('a'), ch('b')});
    clickBack(d);
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "back");
    EXPECT_STREQ(roster.profiles[2].name, "Carla");
    EXPECT_STREQ(roster.profiles[2].send, "Y");
}

TEST_F(PlayersTest, RemoveResetsTheCurrentProfileInTheFile) {
    PlayersDialog d;
    open(d);
    type(d, {ch('a'), ch('b')});
    clickRemove(d);
    EXPECT_EQ(d.closed, 1);
    EXPECT_STREQ(d.result(), "remove");
    EXPECT_STREQ(roster.profiles[2].name, "Player3");
    PlayerRoster fresh;
    fresh.setPath("..\\options.ini");
    fresh.readProfile(2);
    EXPECT_STREQ(fresh.profiles[2].name, "Player3");
    EXPECT_STREQ(fresh.profiles[2].address, "");
    EXPECT_STREQ(fresh.profiles[2].send, "Y");
}

TEST_F(PlayersTest, SendFlagNoShowsTheSwappedSwitchAndTwoClicksRestoreIt) {
    std::snprintf(roster.profiles[2].send, sizeof roster.profiles[2].send, "N");
    PlayersDialog plain;
    plain.createLists();
    Button* plainSwitch = plain.buttonList->find("yesno");
    ASSERT_NE(plainSwitch, nullptr);
    ASSERT_EQ(plainSwitch->imageCount(), 2);

    PlayersDialog d;
    open(d);
    Button* yesno = d.buttonList->find("yesno");
    ASSERT_NE(yesno, nullptr);
    IDirectDrawSurface* shown = yesno->imageSurface(0);
    IDirectDrawSurface* other = yesno->imageSurface(1);
    EXPECT_EQ(d.sendChoice, 0);
    // Compared by picture: the plain dialog's image 0 is the "yes" frame.
    EXPECT_NE(getPixel(shown, 0, 0), getPixel(plainSwitch->imageSurface(0), 0, 0));

    clickYesNo(d);
    EXPECT_EQ(d.sendChoice, 1);
    EXPECT_EQ(yesno->imageSurface(0), other);
    clickYesNo(d);
    EXPECT_EQ(d.sendChoice, 0);
    EXPECT_EQ(yesno->imageSurface(0), shown);
    EXPECT_EQ(d.closed, 0);
}

}  // namespace
