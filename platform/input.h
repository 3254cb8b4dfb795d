// Keyboard and mouse state kept by the backends and read through qv: the 256-byte
// DirectInput-style key state and the pointer's buttons, safe to read from any thread.
#pragma once

namespace platform {

// DirectInput scan codes the programs and the script use.
enum : int {
    DIK_ESCAPE = 1,
    DIK_LSHIFT = 42,
    DIK_RSHIFT = 54,
    DIK_SPACE = 57,
    DIK_F1 = 59,
};

void inputSetKey(int scanCode, bool down);
void inputReleaseAllKeys();
// bit 0 left, bit 1 right.
void inputSetButton(int bit, bool down);
int inputButtons();

// The Windows virtual-key code of a DirectInput scan code (US layout), 0 when none.
unsigned virtualKeyOfScanCode(int scanCode);

}  // namespace platform
