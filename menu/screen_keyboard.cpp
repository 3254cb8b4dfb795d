#include "menu/screen_keyboard.h"

#include "framework/surface_utils.h"

namespace {

// Eleven keys a row, as typed without and with Shift.
const char* const kPlain[ScreenKeyboard::kRows - 1] = {"1234567890-", "qwertyuiop@",
                                                       "asdfghjkl'.", "zxcvbnm,_/#"};
const char* const kShifted[ScreenKeyboard::kRows - 1] = {"!?&()+=:;\"*", "QWERTYUIOP@",
                                                         "ASDFGHJKL'.", "ZXCVBNM,_/#"};
const char* const kWideLabels[ScreenKeyboard::kWideKeys] = {"Shift", "Space", "Delete", "Done"};
constexpr int kShiftKey = 0, kSpaceKey = 1, kDeleteKey = 2, kDoneKey = 3;

Sprite* loadCaps(const char* file) {
    Sprite* sprite = new Sprite;
    sprite->loadStrip(file, 2, 0);
    return sprite;
}

}  // namespace

ScreenKeyboard::ScreenKeyboard() = default;

ScreenKeyboard::~ScreenKeyboard() {
    delete caps;
    delete wideCaps;
}

void ScreenKeyboard::load(const char* capFile, const char* wideFile) {
    delete caps;
    delete wideCaps;
    caps = loadCaps(capFile);
    wideCaps = loadCaps(wideFile);
}

char ScreenKeyboard::charAt(int row, int column, bool shifted) {
    if (row < 0 || row >= kRows - 1 || column < 0 || column >= kColumns) return 0;
    return (shifted ? kShifted : kPlain)[row][column];
}

RECT ScreenKeyboard::keyBox(int index) const {
    const int row = index / kColumns, column = index % kColumns;
    if (row < kRows - 1) {
        const int x = left + column * (kKeyWidth + kGapX), y = top + row * (kKeyHeight + kGapY);
        return RECT{x, y, x + kKeyWidth, y + kKeyHeight};
    }
    const int x = left + column * (kWideWidth + kGapX), y = top + row * (kKeyHeight + kGapY);
    return RECT{x, y, x + kWideWidth, y + kKeyHeight};
}

void ScreenKeyboard::place(int x, int y) {
    left = x;
    top = y;
    ring.clear();
    for (int i = 0; i < keyCount(); ++i) {
        const RECT r = keyBox(i);
        ring.addBox(i, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    ring.focusBox(kColumns);  // "q"
}

bool ScreenKeyboard::focusedKey(int* row, int* column) const {
    const int index = ring.focusedBox();
    if (index < 0) return false;
    if (row) *row = index / kColumns;
    if (column) *column = index % kColumns;
    return true;
}

int ScreenKeyboard::take(const NavEvent& event) {
    switch (event.action) {
        case NavAction::Back:
            return kDelete;
        case NavAction::Start:
            return kSave;
        case NavAction::Alternate:
            shift = !shift;
            return kNothing;
        case NavAction::Press: {
            int row = 0, column = 0;
            if (!focusedKey(&row, &column)) return kNothing;
            if (row < kRows - 1) return static_cast<unsigned char>(charAt(row, column, shift));
            switch (column) {
                case kShiftKey:
                    shift = !shift;
                    return kNothing;
                case kSpaceKey:
                    return ' ';
                case kDeleteKey:
                    return kDelete;
                case kDoneKey:
                    return kDone;
                default:
                    return kNothing;
            }
        }
        default: {
            // The keyboard is on the screen: a walk moves at once, never only shows.
            NavEvent walk = event;
            walk.revealing = false;
            ring.take(walk, nullptr);
            return kNothing;
        }
    }
}

void ScreenKeyboard::draw(IDirectDrawSurface* target, const BitmapFont* normal,
                          const BitmapFont* lit, const RECT* clip) {
    if (!target) return;
    const int focused = ring.focusedBox();
    for (int i = 0; i < keyCount(); ++i) {
        const RECT r = keyBox(i);
        const bool on = i == focused;
        const bool wide = i / kColumns == kRows - 1;
        const Sprite* strip = wide ? wideCaps : caps;
        if (strip && strip->frameCount() == 2) blitAt(strip->frame(on ? 1 : 0), target, r.left, r.top);
        char label[8] = {};
        if (wide) {
            const char* text = kWideLabels[i % kColumns];
            // Shift on shows in capitals.
            for (int c = 0; text[c] && c < 7; ++c)
                label[c] = i % kColumns == kShiftKey && shift && text[c] >= 'a' && text[c] <= 'z'
                               ? static_cast<char>(text[c] - 'a' + 'A')
                               : text[c];
        } else {
            label[0] = charAt(i / kColumns, i % kColumns, shift);
        }
        const BitmapFont* font = on && lit ? lit : normal;
        if (!font) continue;
        const int w = font->textWidth(label);
        const int y = r.top + (kKeyHeight - font->glyphHeight) / 2;
        font->drawText(target, label, r.left + (r.right - r.left - w) / 2, y, 0, -1);
    }
    ring.draw(target, clip, false);
}
