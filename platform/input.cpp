#include "platform/input.h"

#include <atomic>

#include "platform/backend.h"
#include "platform/display.h"
#include "platform/win32.h"

namespace platform {
namespace {

std::atomic<unsigned char> g_keys[256];
// Presses of each key not yet reported, so that a press and release between two reads of
// the keyboard, or a key pressed twice, arrives as often as it was pressed.
std::atomic<int> g_presses[256];
// What the last read reported of each key; only the reading (main) thread touches it.
unsigned char g_reported[256];
// The table handed to the programs, written by each read.
unsigned char g_snapshot[256];
std::atomic<int> g_buttons{0};
// Presses not yet reported: a press and release between two reads still shows once.
std::atomic<int> g_latched{0};

}  // namespace

void inputSetKey(int scanCode, bool down) {
    if (scanCode < 0 || scanCode > 255) return;
    const unsigned char before = g_keys[scanCode].exchange(down ? 0x80 : 0);
    if (down && before == 0) g_presses[scanCode].fetch_add(1);
}

void inputReleaseAllKeys() {
    for (auto& k : g_keys) k.store(0, std::memory_order_relaxed);
    for (auto& p : g_presses) p.store(0, std::memory_order_relaxed);
}

void inputSetButton(int bit, bool down) {
    const int mask = 1 << bit;
    if (down) {
        g_buttons.fetch_or(mask);
        g_latched.fetch_or(mask);
    } else {
        g_buttons.fetch_and(~mask);
    }
}

int inputButtons() {
    return g_buttons.load();
}

const unsigned char* keyboardState() {
    // A key with a press still to report reads down; when the last read already showed it
    // down, it reads up once first, so that the reader sees a new press.
    for (int code = 0; code < 256; ++code) {
        unsigned char state = g_keys[code].load(std::memory_order_relaxed);
        if (g_presses[code].load() > 0) {
            if (g_reported[code] != 0) {
                state = 0;
            } else {
                g_presses[code].fetch_sub(1);
                state = 0x80;
            }
        }
        g_reported[code] = state;
        g_snapshot[code] = state;
    }
    return g_snapshot;
}

void mouseData(int* x, int* y, int* buttons) {
    POINT p = pointerClientPosition();
    if (x) *x = p.x;
    if (y) *y = p.y;
    int bits = g_buttons.load() | g_latched.exchange(0);
    if (buttons) *buttons = bits;
}

unsigned virtualKeyOfScanCode(int code) {
    // US keyboard, set 1 scan codes as DirectInput numbers them.
    static const unsigned char table[128] = {
        0,
        VK_ESCAPE,
        '1',
        '2',
        '3',
        '4',
        '5',
        '6',
        '7',
        '8',
        '9',
        '0',
        VK_OEM_MINUS,
        VK_OEM_PLUS,
        VK_BACK,
        VK_TAB,
        'Q',
        'W',
        'E',
        'R',
        'T',
        'Y',
        'U',
        'I',
        'O',
        'P',
        VK_OEM_4,
        VK_OEM_6,
        VK_RETURN,
        VK_CONTROL,
        'A',
        'S',
        'D',
        'F',
        'G',
        'H',
        'J',
        'K',
        'L',
        VK_OEM_1,
        VK_OEM_7,
        VK_OEM_3,
        VK_SHIFT,
        VK_OEM_5,
        'Z',
        'X',
        'C',
        'V',
        'B',
        'N',
        'M',
        VK_OEM_COMMA,
        VK_OEM_PERIOD,
        VK_OEM_2,
        VK_SHIFT,
        VK_MULTIPLY,
        VK_MENU,
        VK_SPACE,
        VK_CAPITAL,
        VK_F1,
        VK_F1 + 1,
        VK_F1 + 2,
        VK_F1 + 3,
        VK_F1 + 4,
        VK_F1 + 5,
        VK_F1 + 6,
        VK_F1 + 7,
        VK_F1 + 8,
        VK_F1 + 9,
        VK_NUMLOCK,
        VK_SCROLL,
        VK_NUMPAD0 + 7,
        VK_NUMPAD0 + 8,
        VK_NUMPAD0 + 9,
        VK_SUBTRACT,
        VK_NUMPAD0 + 4,
        VK_NUMPAD0 + 5,
        VK_NUMPAD0 + 6,
        VK_ADD,
        VK_NUMPAD0 + 1,
        VK_NUMPAD0 + 2,
        VK_NUMPAD0 + 3,
        VK_NUMPAD0,
        VK_DECIMAL,
        0,
        0,
        0,
        VK_F1 + 10,
        VK_F1 + 11,
    };
    if (code >= 0 && code < 128) return table[code];
    switch (code) {
        case 0x9C:
            return VK_RETURN;  // keypad enter
        case 0x9D:
            return VK_CONTROL;
        case 0xB5:
            return VK_DIVIDE;
        case 0xB8:
            return VK_MENU;
        case 0xC7:
            return VK_HOME;
        case 0xC8:
            return VK_UP;
        case 0xC9:
            return VK_PRIOR;
        case 0xCB:
            return VK_LEFT;
        case 0xCD:
            return VK_RIGHT;
        case 0xCF:
            return VK_END;
        case 0xD0:
            return VK_DOWN;
        case 0xD1:
            return VK_NEXT;
        case 0xD2:
            return VK_INSERT;
        case 0xD3:
            return VK_DELETE;
        default:
            return 0;
    }
}

}  // namespace platform
