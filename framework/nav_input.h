// Keys and controller buttons mapped, in one place for every screen, to what they do for the
// focus: walk, press, back, turn a page. Also the device in use (pointer, keys or pad), which
// decides whether the focus is shown and whether prompts name keys or pad buttons.
#pragma once

#include <string>

enum class NavAction {
    None,
    Up,
    Down,
    Left,
    Right,
    Next,      // Tab
    Previous,  // Shift+Tab
    Press,     // Enter, Space, pad A
    Back,      // pad B (Esc stays the window's: it closes the open page or the program)
    PageUp,    // Page Up, left shoulder
    PageDown,  // Page Down, right shoulder
    Hint,      // pad Y
    Start,     // pad Start
    Alternate  // pad X
};

enum class InputDevice { Pointer, Keys, Pad };

struct NavEvent {
    NavAction action = NavAction::None;
    InputDevice device = InputDevice::Keys;
    // The focus was hidden until this event: a walk only shows where it is.
    bool revealing = false;
    int keyEvent = 0;  // the keyboard queue's event it came from
};

// What a keyboard queue event does, without noting anything.
NavAction navActionOf(int keyEvent);
// The event's action; an event with an action makes its device the one in use.
NavEvent takeNavEvent(int keyEvent);

InputDevice inputDevice();
// The pad hides the system pointer; the pointer's own use shows it again.
void noteInputDevice(InputDevice device);
// True while keys or a pad are in use: the focus is drawn.
inline bool focusShown() {
    return inputDevice() != InputDevice::Pointer;
}
// While the focus is shown, buttons are fed a pointer position off the screen, so that a
// button under a resting pointer does not look lit beside the focused one.
void pointerForButtons(int* x, int* y);
// The picture that names the controls of the device in use: with a pad, "NAMEPad.bmp" for
// "NAME.bmp" when that file exists; otherwise the file itself.
std::string pictureForDevice(const char* file);
// Back to the pointer, for a fresh start (tests).
void resetInputDevice();
