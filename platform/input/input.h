// platform/input/: the player's devices: the keyboard, game controller and mouse state, and
// how the sdl backend reads keyboards (with text input) and game controllers.
//
// Keyboard, game controller and mouse state kept by the backends and read through qv: the
// 256-byte DirectInput-style key state, the controllers' buttons (all controllers as one),
// and the pointer's buttons, safe to write from any thread.
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

// 256 bytes by DirectInput scan code, 0x80 when the key is down. Read from one thread. Every
// press shows as a new down in some read: a key pressed and released between two reads
// reads down once, and a key pressed again before a read had seen it up reads up first.
const unsigned char* keyboardState();
// Client position (in picture coordinates, whatever the window's size) and button bits
// (bit 0 left, bit 1 right). Safe from any thread. A press shorter than the interval
// between two reads is still reported once; a press outside the picture is none.
void mouseData(int* x, int* y, int* buttons);

void inputSetKey(int scanCode, bool down);
// A held key's auto-repeat: one more press to report, while it is still down.
void inputRepeatKey(int scanCode);
void inputReleaseAllKeys();

// Controller buttons, numbered as SDL numbers its game controller buttons.
enum PadButton : int {
    kPadA = 0,
    kPadB,
    kPadX,
    kPadY,
    kPadBack,
    kPadGuide,
    kPadStart,
    kPadLeftStick,
    kPadRightStick,
    kPadLeftShoulder,
    kPadRightShoulder,
    kPadUp,
    kPadDown,
    kPadLeft,
    kPadRight,
    kPadButtons
};
void inputSetPadButton(int button, bool down);
void inputRepeatPadButton(int button);
void inputReleaseAllPadButtons();
// The oldest controller press not yet taken (a repeat counts as a press), -1 when none:
// every press arrives once, in order, even the same button twice between two reads.
int padTakePress();
// The button of SDL's name for it ("a", "dpup", "leftshoulder" ...), -1 when none.
int padButtonOfName(const char* name);

// Whether the program has a text field taking typed characters; the backend turns the
// system's text input (and an on-screen keyboard where there is one) on and off with it.
void setTextInputWanted(bool on);
bool textInputWanted();
// The 8-bit (Latin-1) characters of UTF-8 text, at most size of them, in out; returns how
// many. Control characters, characters 8 bits cannot hold and invalid bytes are dropped.
int latin1OfUtf8(const char* text, char* out, int size);
// bit 0 left, bit 1 right.
void inputSetButton(int bit, bool down);
int inputButtons();

// The Windows virtual-key code of a DirectInput scan code (US layout), 0 when none.
unsigned virtualKeyOfScanCode(int scanCode);

}  // namespace platform
