// platform/headless/: the headless backend: no window and no devices; input from a script,
// time from a virtual clock, the outside world in a transcript, frames captured as BMP files.
//
// The headless driver's input script: one command a line, '#' starts a comment.
// Commands are expanded into primitive steps (a click becomes move, press, wait 2,
// release, wait 2) so that the driver only ever executes primitives.
#pragma once

#include <string>
#include <vector>

namespace platform::headless {

enum class Op {
    Wait,        // a: frames
    Move,        // a, b: client point
    Press,       // a: button bit (0 left, 1 right)
    Release,     // a: button bit
    KeyDown,     // a: DirectInput scan code
    KeyUp,       // a: scan code; KeyDown's b: the character it types (0 none)
    PadDown,     // a: controller button (platform::PadButton)
    PadUp,       // a: controller button
    Capture,     // text: file
    Activate,    // a: 0 or 1
    Close,
};

struct Step {
    Op op;
    int a = 0;
    int b = 0;
    std::string text;
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// Parses a whole script. On a bad line returns false and fills `error`.
bool parseScript(const std::string& text, std::vector<Step>& steps, ScriptError& error);

// The scan code and shift state that type a character on a US keyboard; false when the
// character cannot be typed.
bool scanCodeOfChar(char c, int& scanCode, bool& shift);
// The character a scan code types on a US keyboard, 0 when none.
char charOfScanCode(int scanCode, bool shift);

}  // namespace platform::headless
