// The headless driver's script language: what each command expands to, and refusals.
#include <gtest/gtest.h>

#include "platform/headless/script.h"

using platform::headless::Op;
using platform::headless::parseScript;
using platform::headless::ScriptError;
using platform::headless::Step;

namespace {

std::vector<Step> parse(const std::string& text) {
    std::vector<Step> steps;
    ScriptError error;
    EXPECT_TRUE(parseScript(text, steps, error)) << error.line << ": " << error.message;
    return steps;
}

std::vector<Op> ops(const std::vector<Step>& steps) {
    std::vector<Op> out;
    for (const Step& s : steps) out.push_back(s.op);
    return out;
}

TEST(Script, ClickIsMovePressWaitReleaseWait) {
    auto steps = parse("click 10 20\n");
    ASSERT_EQ(ops(steps), (std::vector<Op>{Op::Move, Op::Press, Op::Wait, Op::Release, Op::Wait}));
    EXPECT_EQ(steps[0].a, 10);
    EXPECT_EQ(steps[0].b, 20);
    EXPECT_EQ(steps[2].a, 2);
    EXPECT_EQ(steps[4].a, 2);
}

TEST(Script, KeyGoesUpOneFrameAfterItWentDown) {
    auto steps = parse("key 59\n");
    ASSERT_EQ(ops(steps), (std::vector<Op>{Op::KeyDown, Op::Wait, Op::KeyUp}));
    EXPECT_EQ(steps[0].a, 59);
    EXPECT_EQ(steps[1].a, 1);
}

TEST(Script, TypeHoldsShiftForShiftedCharactersAndKeepsHashes) {
    auto steps = parse("type aB #\n");
    // a: down, wait, up; B: shift down, down, wait, up, shift up; space; '#' shifted 3.
    ASSERT_EQ(steps.size(), 3u + 5u + 3u + 5u);
    EXPECT_EQ(steps[0].a, 30);
    EXPECT_EQ(steps[3].op, Op::KeyDown);
    EXPECT_EQ(steps[3].a, 42);
    EXPECT_EQ(steps[4].a, 48);
    EXPECT_EQ(steps[7].op, Op::KeyUp);
    EXPECT_EQ(steps[7].a, 42);
    EXPECT_EQ(steps[8].a, 57);
    EXPECT_EQ(steps[11].a, 42);
    EXPECT_EQ(steps[12].a, 4);
}

TEST(Script, CommentsAndBlankLinesAreSkipped) {
    auto steps = parse("# a comment\n\n  wait 3   # trailing\nmove 1 2\r\ncapture a.bmp\nactivate 0\nclose\n");
    ASSERT_EQ(ops(steps),
              (std::vector<Op>{Op::Wait, Op::Move, Op::Capture, Op::Activate, Op::Close}));
    EXPECT_EQ(steps[0].a, 3);
    EXPECT_EQ(steps[2].text, "a.bmp");
    EXPECT_EQ(steps[3].a, 0);
}

TEST(Script, BadLinesAreRefusedWithTheirLineNumber) {
    for (const char* bad : {"jump 1", "wait", "wait -1", "move 1", "press middle", "key 300",
                            "activate 2", "click a b", "capture", "close now"}) {
        std::vector<Step> steps;
        ScriptError error;
        EXPECT_FALSE(parseScript(std::string("wait 1\n") + bad + "\n", steps, error)) << bad;
        EXPECT_EQ(error.line, 2) << bad;
    }
}

TEST(Script, EveryPrintableCharacterCanBeTyped) {
    for (char c = ' '; c <= '~'; ++c) {
        int code = 0;
        bool shift = false;
        EXPECT_TRUE(platform::headless::scanCodeOfChar(c, code, shift)) << c;
        EXPECT_GT(code, 0) << c;
    }
}

}  // namespace
