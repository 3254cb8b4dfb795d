#include "platform/input/keyboard_sdl.h"

#include "platform/backend.h"
#include "platform/input/input.h"
#include "platform/win32/win32.h"

namespace platform::sdl {

int scanCodeOf(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
        static const unsigned char letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                                  36, 37, 38, 50, 49, 24, 25, 16, 19,
                                                  31, 20, 22, 47, 17, 45, 21, 44};
        return letters[sc - SDL_SCANCODE_A];
    }
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0) return 2 + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F10) return 59 + (sc - SDL_SCANCODE_F1);
    switch (sc) {
        case SDL_SCANCODE_ESCAPE:
            return 1;
        case SDL_SCANCODE_MINUS:
            return 12;
        case SDL_SCANCODE_EQUALS:
            return 13;
        case SDL_SCANCODE_BACKSPACE:
            return 14;
        case SDL_SCANCODE_TAB:
            return 15;
        case SDL_SCANCODE_LEFTBRACKET:
            return 26;
        case SDL_SCANCODE_RIGHTBRACKET:
            return 27;
        case SDL_SCANCODE_RETURN:
            return 28;
        case SDL_SCANCODE_LCTRL:
            return 29;
        case SDL_SCANCODE_SEMICOLON:
            return 39;
        case SDL_SCANCODE_APOSTROPHE:
            return 40;
        case SDL_SCANCODE_GRAVE:
            return 41;
        case SDL_SCANCODE_LSHIFT:
            return 42;
        case SDL_SCANCODE_BACKSLASH:
            return 43;
        case SDL_SCANCODE_COMMA:
            return 51;
        case SDL_SCANCODE_PERIOD:
            return 52;
        case SDL_SCANCODE_SLASH:
            return 53;
        case SDL_SCANCODE_RSHIFT:
            return 54;
        case SDL_SCANCODE_KP_MULTIPLY:
            return 55;
        case SDL_SCANCODE_LALT:
            return 56;
        case SDL_SCANCODE_SPACE:
            return 57;
        case SDL_SCANCODE_CAPSLOCK:
            return 58;
        case SDL_SCANCODE_F11:
            return 87;
        case SDL_SCANCODE_F12:
            return 88;
        case SDL_SCANCODE_KP_ENTER:
            return 0x9C;
        case SDL_SCANCODE_RCTRL:
            return 0x9D;
        case SDL_SCANCODE_RALT:
            return 0xB8;
        case SDL_SCANCODE_HOME:
            return 0xC7;
        case SDL_SCANCODE_UP:
            return 0xC8;
        case SDL_SCANCODE_PAGEUP:
            return 0xC9;
        case SDL_SCANCODE_LEFT:
            return 0xCB;
        case SDL_SCANCODE_RIGHT:
            return 0xCD;
        case SDL_SCANCODE_END:
            return 0xCF;
        case SDL_SCANCODE_DOWN:
            return 0xD0;
        case SDL_SCANCODE_PAGEDOWN:
            return 0xD1;
        case SDL_SCANCODE_INSERT:
            return 0xD2;
        case SDL_SCANCODE_DELETE:
            return 0xD3;
        default:
            return 0;
    }
}

namespace {

bool repeats(int code) {
    switch (code) {
        case 14:    // Backspace
        case 15:    // Tab
        case 0xC8:  // arrows
        case 0xCB:
        case 0xCD:
        case 0xD0:
        case 0xC9:  // Page Up, Page Down
        case 0xD1:
            return true;
        default:
            return false;
    }
}

// SDL starts with text input on; the programs want it only while a field takes text.
bool g_textOn = true;

}  // namespace

void keyboardEvent(const SDL_KeyboardEvent& k) {
    const bool down = k.type == SDL_KEYDOWN;
    const int code = scanCodeOf(k.keysym.scancode);
    if (code == 0) return;
    if (!k.repeat)
        inputSetKey(code, down);
    else if (repeats(code))
        inputRepeatKey(code);
    const unsigned vk = virtualKeyOfScanCode(code);
    const bool alt = (k.keysym.mod & KMOD_ALT) != 0;
    LPARAM lp = static_cast<LPARAM>((code & 0xFF) << 16) | 1;
    if (k.repeat) lp |= 1 << 30;
    if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
    const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    postInput(msg, vk, lp);
}

void textInputEvent(const SDL_TextInputEvent& text) {
    char typed[sizeof text.text];
    const int n = latin1OfUtf8(text.text, typed, static_cast<int>(sizeof typed));
    for (int i = 0; i < n; ++i) postInput(WM_CHAR, static_cast<unsigned char>(typed[i]), 1);
}

void followTextInputWanted() {
    const bool wanted = textInputWanted();
    if (wanted == g_textOn) return;
    if (wanted)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
    g_textOn = wanted;
}

}  // namespace platform::sdl
