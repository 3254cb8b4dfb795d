// The keyboard for the sdl backend: keys by their place on the keyboard become DirectInput
// scan codes and key messages; typed text, in whatever layout the system has, becomes
// WM_CHAR messages of 8-bit characters while the program wants text.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// DirectInput scan code of an SDL scancode (the key's place, as on a US keyboard), 0 when none.
int scanCodeOf(SDL_Scancode sc);
// Sets the key state and posts WM_KEYDOWN / WM_KEYUP (WM_SYSKEY... with Alt held). A held
// key's repeats count as presses only for keys that walk or delete: arrows, Tab, Backspace,
// Page Up and Page Down, never a key that starts something.
void keyboardEvent(const SDL_KeyboardEvent& key);
// Posts one WM_CHAR per character the text gives that 8 bits can hold.
void textInputEvent(const SDL_TextInputEvent& text);
// Turns the system's text input on or off as the program's text fields want it.
void followTextInputWanted();

}  // namespace platform::sdl
