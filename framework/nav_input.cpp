#include "framework/nav_input.h"

#include "platform/input/input.h"
#include "platform/win32/win32.h"
#include "shell/keyboard_queue.h"

namespace {

InputDevice g_device = InputDevice::Pointer;

constexpr int kShift = 0x100;

NavAction padAction(int button) {
    switch (button) {
        case platform::kPadUp: return NavAction::Up;
        case platform::kPadDown: return NavAction::Down;
        case platform::kPadLeft: return NavAction::Left;
        case platform::kPadRight: return NavAction::Right;
        case platform::kPadA: return NavAction::Press;
        case platform::kPadB: return NavAction::Back;
        case platform::kPadX: return NavAction::Alternate;
        case platform::kPadY: return NavAction::Hint;
        case platform::kPadStart: return NavAction::Start;
        case platform::kPadLeftShoulder: return NavAction::PageUp;
        case platform::kPadRightShoulder: return NavAction::PageDown;
        default: return NavAction::None;
    }
}

}  // namespace

NavAction navActionOf(int event) {
    if (event & kCharEvent) return NavAction::None;
    if (event & kPadEvent) return padAction(event & 0xFF);
    const int code = event & 0xFF;
    const bool shift = (event & kShift) != 0;
    switch (code) {
        case 0xC8: return NavAction::Up;
        case 0xD0: return NavAction::Down;
        case 0xCB: return NavAction::Left;
        case 0xCD: return NavAction::Right;
        case 15: return shift ? NavAction::Previous : NavAction::Next;
        case 28:    // Enter
        case 0x9C:  // keypad Enter
        case 57:    // Space
            return NavAction::Press;
        case 0xC9: return NavAction::PageUp;
        case 0xD1: return NavAction::PageDown;
        default: return NavAction::None;
    }
}

NavEvent takeNavEvent(int keyEvent) {
    NavEvent e;
    e.keyEvent = keyEvent;
    e.action = navActionOf(keyEvent);
    e.device = (keyEvent & kPadEvent) ? InputDevice::Pad : InputDevice::Keys;
    if (e.action == NavAction::None) return e;
    e.revealing = !focusShown();
    noteInputDevice(e.device);
    return e;
}

InputDevice inputDevice() {
    return g_device;
}

void noteInputDevice(InputDevice device) {
    if (device == g_device) return;
    if (device == InputDevice::Pad) ShowCursor(FALSE);
    if (g_device == InputDevice::Pad) ShowCursor(TRUE);
    g_device = device;
}

void pointerForButtons(int* x, int* y) {
    if (!focusShown()) return;
    if (x) *x = -10000;
    if (y) *y = -10000;
}

std::string pictureForDevice(const char* file) {
    std::string name = file ? file : "";
    const std::string suffix = ".bmp";
    if (g_device != InputDevice::Pad || name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return name;
    const std::string pad = name.substr(0, name.size() - suffix.size()) + "Pad" + suffix;
    HANDLE found = CreateFileA(pad.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (found == INVALID_HANDLE_VALUE) return name;
    CloseHandle(found);
    return pad;
}

void resetInputDevice() {
    noteInputDevice(InputDevice::Pointer);
}
