// The keyboard event queue fed from DirectInput key states, the characters of its events,
// and the debug log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/display/display.h"
#include "platform/input/input.h"
#include "shell/debug_log.h"
#include "shell/keyboard_queue.h"
#include "tests/support/temp_dir.h"

namespace {

struct KeyState {
    char bytes[256] = {};
    KeyState& down(int code) {
        bytes[code] = static_cast<char>(0x80);
        return *this;
    }
    KeyState& up(int code) {
        bytes[code] = 0;
        return *this;
    }
};

class KeyQueue : public ::testing::Test {
protected:
    void SetUp() override { resetKeyboardQueue(); }
};

TEST_F(KeyQueue, OnlyKeyDownEdgesMakeEventsAndANullStateDoesNothing) {
    KeyState s;
    pollKeyboard(nullptr);
    EXPECT_EQ(popKeyEvent(), 0);
    s.down(30);
    pollKeyboard(s.bytes);
    pollKeyboard(s.bytes);  // held: no second event
    pollKeyboard(s.bytes);
    EXPECT_EQ(popKeyEvent(), 30);
    EXPECT_EQ(popKeyEvent(), 0);
    s.up(30);
    pollKeyboard(s.bytes);  // release: nothing
    EXPECT_EQ(popKeyEvent(), 0);
    s.down(30);
    pollKeyboard(s.bytes);  // pressed again: a second event
    EXPECT_EQ(popKeyEvent(), 30);
    // A byte without the high bit is not a held key.
    s.bytes[31] = 0x7F;
    pollKeyboard(s.bytes);
    EXPECT_EQ(popKeyEvent(), 0);
}

TEST_F(KeyQueue, LeftShiftCountsNowAndRightShiftFromThePreviousPoll) {
    KeyState s;
    s.down(42).down(30);
    pollKeyboard(s.bytes);
    // Codes are scanned in order: A, then left shift itself, both shifted.
    const int shiftedA = popKeyEvent();
    EXPECT_EQ(shiftedA, 30 + 256);
    EXPECT_EQ(keyEventToChar(shiftedA), 'A');
    EXPECT_EQ(popKeyEvent(), 42 + 256);

    resetKeyboardQueue();
    KeyState r;
    r.down(54).down(31);
    pollKeyboard(r.bytes);  // right shift was not held at the previous poll
    EXPECT_EQ(popKeyEvent(), 31);
    EXPECT_EQ(popKeyEvent(), 54);
    r.up(31);
    pollKeyboard(r.bytes);
    r.down(31);
    pollKeyboard(r.bytes);  // now it was
    EXPECT_EQ(keyEventToChar(popKeyEvent()), 'S');
}

TEST_F(KeyQueue, MoreThan256UnreadEventsOverwriteTheOldest) {
    for (int i = 0; i < 256; ++i) EXPECT_EQ(pushKeyEvent(1000 + i), i);
    // 256 writes bring the write position back to the read position: the queue reads empty.
    EXPECT_EQ(popKeyEvent(), 0);
    EXPECT_EQ(pushKeyEvent(7), 0);
    EXPECT_EQ(pushKeyEvent(8), 1);
    // Slot 0 of the oldest events was overwritten; what is left reads short.
    EXPECT_EQ(popKeyEvent(), 7);
    EXPECT_EQ(popKeyEvent(), 8);
    EXPECT_EQ(popKeyEvent(), 0);
}

TEST_F(KeyQueue, ClearingEmptiesTheQueueButKeepsHeldKeys) {
    KeyState s;
    s.down(16);
    pollKeyboard(s.bytes);
    clearKeyEvents();
    EXPECT_EQ(popKeyEvent(), 0);
    pollKeyboard(s.bytes);  // still held: no new event after the clear
    EXPECT_EQ(popKeyEvent(), 0);
}

TEST_F(KeyQueue, EveryPressOfTheDeviceArrivesHoweverShortOrRepeated) {
    // What a window's key events leave in the device state, polled as the shell does.
    platform::inputReleaseAllKeys();
    auto poll = [] { pollKeyboard(reinterpret_cast<const char*>(platform::keyboardState())); };
    poll();
    // Pressed and released between two polls: one event.
    platform::inputSetKey(30, true);
    platform::inputSetKey(30, false);
    poll();
    EXPECT_EQ(popKeyEvent(), 30);
    poll();
    EXPECT_EQ(popKeyEvent(), 0);
    // Pressed, released and pressed again before a poll saw it up: two events, one a poll.
    platform::inputSetKey(48, true);
    poll();
    platform::inputSetKey(48, false);
    platform::inputSetKey(48, true);
    poll();
    poll();
    EXPECT_EQ(popKeyEvent(), 48);
    EXPECT_EQ(popKeyEvent(), 48);
    EXPECT_EQ(popKeyEvent(), 0);
    // Held down: no more events; released: none either.
    poll();
    platform::inputSetKey(48, false);
    poll();
    EXPECT_EQ(popKeyEvent(), 0);
}

TEST(KeyChars, FollowTheUsLayout) {
    const struct {
        int code;
        char plain, shifted;
    } table[] = {{2, '1', '!'},  {10, '9', '('},  {11, '0', ')'}, {13, '=', '+'},  {16, 'q', 'Q'},
                 {25, 'p', 'P'}, {26, '[', '{'},  {27, ']', '}'}, {30, 'a', 'A'},  {38, 'l', 'L'},
                 {39, ';', ':'}, {40, '\'', '"'}, {41, '`', '~'}, {43, '\\', '|'}, {44, 'z', 'Z'},
                 {50, 'm', 'M'}, {51, ',', '<'},  {52, '.', '>'}, {53, '/', '?'},  {57, ' ', ' '}};
    for (const auto& row : table) {
        EXPECT_EQ(keyEventToChar(row.code), row.plain) << row.code;
        EXPECT_EQ(keyEventToChar(row.code + 256), row.shifted) << row.code;
    }
    for (int code : {0, 1, 12, 14, 15, 28, 29, 42, 54, 56, 58, 200, 255}) {
        EXPECT_EQ(keyEventToChar(code), 0) << code;
        EXPECT_EQ(keyEventToChar(code + 256), 0) << code;
    }
}

class DebugLog : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        setLogEnabled(0);
        closeDebugLog();
        std::filesystem::current_path(previous);
    }
    std::string logText() const {
        std::ifstream in(dir.path() / "debug.log", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    testsupport::TempDir dir;
    std::filesystem::path previous;
};

TEST_F(DebugLog, OffByDefaultAndThenNoFileIsMade) {
    EXPECT_EQ(isLogEnabled(), 0);
    EXPECT_EQ(logMessage("nothing %d", 1), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "debug.log"));
}

TEST_F(DebugLog, KeepsEveryMessageOnceEnabledWithNoLineEndsAdded) {
    setLogEnabled(1);
    EXPECT_EQ(logMessage("Unable to use timers on this system"), 1);
    EXPECT_EQ(logMessage(" %s=%d", "x", 42), 1);
    EXPECT_EQ(logText(), "Unable to use timers on this system x=42");
    // A new log starts after an orderly close.
    closeDebugLog();
    EXPECT_EQ(logMessage("again"), 1);
    EXPECT_EQ(logText(), "again");
}

}  // namespace
