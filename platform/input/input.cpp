#include "platform/input/input.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

// A table of keys or buttons read once a frame: what is held, and the presses not yet
// reported, so that a press and release between two reads, or a key pressed twice (or a
// held key's repeat), arrives as often as it was pressed.
template <int N>
struct PressTable {
    std::atomic<unsigned char> held[N];
    std::atomic<int> presses[N];
    // What the last read reported; only the reading (main) thread touches it.
    unsigned char reported[N];
    // The table handed to the programs, written by each read.
    unsigned char snapshot[N];

    void set(int code, bool down) {
        if (code < 0 || code >= N) return;
        const unsigned char before = held[code].exchange(down ? 0x80 : 0);
        if (down && before == 0) presses[code].fetch_add(1);
    }
    void repeat(int code) {
        if (code >= 0 && code < N && held[code].load() != 0) presses[code].fetch_add(1);
    }
    void releaseAll() {
        for (auto& k : held) k.store(0, std::memory_order_relaxed);
        for (auto& p : presses) p.store(0, std::memory_order_relaxed);
    }
    // A key with a press still to report reads down; when the last read already showed it
    // down, it reads up once first, so that the reader sees a new press.
    const unsigned char* read() {
        for (int code = 0; code < N; ++code) {
            unsigned char state = held[code].load(std::memory_order_relaxed);
            if (presses[code].load() > 0) {
                if (reported[code] != 0) {
                    state = 0;
                } else {
                    presses[code].fetch_sub(1);
                    state = 0x80;
                }
            }
            reported[code] = state;
            snapshot[code] = state;
        }
        return snapshot;
    }
};

PressTable<256> g_keys;
std::atomic<bool> g_padHeld[kPadButtons];
// The controllers' presses in the order they came, for a reader that wants each one.
std::mutex g_padMutex;
std::deque<int> g_padPresses;
constexpr size_t kMaxPadPresses = 256;

void notePadPress(int button) {
    std::lock_guard lock(g_padMutex);
    if (g_padPresses.size() < kMaxPadPresses) g_padPresses.push_back(button);
}
std::atomic<int> g_buttons{0};
// Presses not yet reported: a press and release between two reads still shows once.
std::atomic<int> g_latched{0};
std::atomic<bool> g_textWanted{false};

}  // namespace

void inputSetKey(int scanCode, bool down) {
    g_keys.set(scanCode, down);
}

void inputRepeatKey(int scanCode) {
    g_keys.repeat(scanCode);
}

void inputReleaseAllKeys() {
    g_keys.releaseAll();
}

void inputSetPadButton(int button, bool down) {
    if (button < 0 || button >= kPadButtons) return;
    const bool wasDown = g_padHeld[button].exchange(down);
    if (down && !wasDown) notePadPress(button);
}

void inputRepeatPadButton(int button) {
    if (button >= 0 && button < kPadButtons && g_padHeld[button].load()) notePadPress(button);
}

void inputReleaseAllPadButtons() {
    for (auto& held : g_padHeld) held.store(false);
    std::lock_guard lock(g_padMutex);
    g_padPresses.clear();
}

int padTakePress() {
    std::lock_guard lock(g_padMutex);
    if (g_padPresses.empty()) return -1;
    const int button = g_padPresses.front();
    g_padPresses.pop_front();
    return button;
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
    return g_keys.read();
}

void setTextInputWanted(bool on) {
    g_textWanted.store(on);
}

bool textInputWanted() {
    return g_textWanted.load();
}

int padButtonOfName(const char* name) {
    static const char* const kNames[kPadButtons] = {
        "a",         "b",          "x",           "y",            "back",
        "guide",     "start",      "leftstick",   "rightstick",   "leftshoulder",
        "rightshoulder", "dpup",   "dpdown",      "dpleft",       "dpright"};
    if (name == nullptr) return -1;
    for (int i = 0; i < kPadButtons; ++i)
        if (std::strcmp(kNames[i], name) == 0) return i;
    return -1;
}

int latin1OfUtf8(const char* text, char* out, int size) {
    int n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*p != 0) {
        // One code point: its length from the lead byte, then the continuation bytes.
        unsigned cp = *p;
        int extra = cp < 0x80 ? 0 : (cp & 0xE0) == 0xC0 ? 1 : (cp & 0xF0) == 0xE0 ? 2
                                   : (cp & 0xF8) == 0xF0 ? 3 : -1;
        ++p;
        if (extra < 0) continue;  // a stray continuation or invalid lead byte
        if (extra > 0) cp &= 0x3Fu >> extra;
        bool valid = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3Fu);
        }
        // Control characters and whatever 8 bits cannot hold are dropped, never replaced.
        const bool printable = (cp >= 0x20 && cp < 0x7F) || (cp >= 0xA0 && cp <= 0xFF);
        if (valid && printable && n < size) out[n++] = static_cast<char>(cp);
    }
    return n;
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
