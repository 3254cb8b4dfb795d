// The keyboard event queue: key-down edges of the 256-byte DirectInput key state become
// events (scan code in bits 0-7, bit 8 set when shift was held) in a 256-entry ring. The
// game controllers' button presses and the characters typed into text fields come through
// the same ring, marked by a bit of their own, so that everything arrives in one order.
#pragma once

// A controller button press: the button (platform::PadButton) in bits 0-7.
constexpr int kPadEvent = 0x200;
// A typed character (WM_CHAR): its 8-bit code in bits 0-7.
constexpr int kCharEvent = 0x400;

// keyState: 256 bytes by scan code, high bit set while down; null does nothing.
void pollKeyboard(const char* keyState);
// Queues the game controllers' presses read from the display and input library, in order.
void pollPad();
// Appends one event and returns the slot written. Unread events are overwritten once the
// ring wraps: more than 256 unread events leave the queue reading as empty or short.
int pushKeyEvent(int event);
// The oldest event, or 0 when the queue is empty.
int popKeyEvent();
// Empties the queue; which keys are held is kept.
void clearKeyEvents();
// The character an event types on a US layout, or 0.
char keyEventToChar(int event);
// Forgets held keys and queued events (tests and a fresh start).
void resetKeyboardQueue();
