#include "shell/keyboard_queue.h"

#include <cstring>

#include "qv/qv.h"

namespace {

constexpr int kQueueSize = 256;
constexpr int kLeftShift = 42;
constexpr int kRightShift = 54;

unsigned char keyHeld[256];
int events[kQueueSize];
int writePos = 0;
int readPos = 0;

bool isDown(const char* keyState, int code) {
    return (static_cast<unsigned char>(keyState[code]) & 0x80) != 0;
}

}  // namespace

void pollKeyboard(const char* keyState) {
    if (keyState == nullptr) return;
    // Right shift counts from the previous poll's table, decided once before the scan.
    const int shift = (isDown(keyState, kLeftShift) || keyHeld[kRightShift] != 0) ? 1 : 0;
    for (int code = 0; code < 256; ++code) {
        if (isDown(keyState, code)) {
            if (keyHeld[code] == 0) pushKeyEvent(code + 256 * shift);
            keyHeld[code] = 1;
        } else {
            keyHeld[code] = 0;
        }
    }
}

void pollPad() {
    for (int button = QVGetPadPress(); button >= 0; button = QVGetPadPress())
        pushKeyEvent(kPadEvent | (button & 0xFF));
}

int pushKeyEvent(int event) {
    const int slot = writePos;
    events[slot] = event;
    writePos = (writePos + 1) % kQueueSize;
    return slot;
}

int popKeyEvent() {
    if (readPos == writePos) return 0;
    const int event = events[readPos];
    readPos = (readPos + 1) % kQueueSize;
    return event;
}

void clearKeyEvents() {
    writePos = 0;
    readPos = 0;
}

void resetKeyboardQueue() {
    clearKeyEvents();
    std::memset(keyHeld, 0, sizeof(keyHeld));
}

char keyEventToChar(int event) {
    if ((event & (kPadEvent | kCharEvent)) != 0) return 0;
    const int code = event & 0xFF;
    const bool shift = (event & 0x100) != 0;
    static const char digits[] = "1234567890";
    static const char shiftedDigits[] = "!@#$%^&*()";
    static const char qRow[] = "qwertyuiop";
    static const char aRow[] = "asdfghjkl";
    static const char zRow[] = "zxcvbnm";
    auto letter = [shift](char c) -> char { return shift ? static_cast<char>(c - 'a' + 'A') : c; };
    if (code >= 2 && code <= 11) return shift ? shiftedDigits[code - 2] : digits[code - 2];
    if (code >= 16 && code <= 25) return letter(qRow[code - 16]);
    if (code >= 30 && code <= 38) return letter(aRow[code - 30]);
    if (code >= 44 && code <= 50) return letter(zRow[code - 44]);
    switch (code) {
        case 13: return shift ? '+' : '=';
        case 26: return shift ? '{' : '[';
        case 27: return shift ? '}' : ']';
        case 39: return shift ? ':' : ';';
        case 40: return shift ? '"' : '\'';
        case 41: return shift ? '~' : '`';
        case 43: return shift ? '|' : '\\';
        case 51: return shift ? '<' : ',';
        case 52: return shift ? '>' : '.';
        case 53: return shift ? '?' : '/';
        case 57: return ' ';
        default: return 0;
    }
}
