#include "menu/text_field.h"

#include <cstring>

#include "shell/keyboard_queue.h"
#include "shell/timer_service.h"

namespace {

constexpr int kBlinkMs = 500;

}  // namespace

TextField::TextField()
    : x(0),
      y(0),
      originX(0),
      originY(0),
      width(0),
      height(0),
      text(nullptr),
      fonts(new PtrArray(1)),
      capacity(0),
      length(0),
      caret(nullptr),
      blinkOn(0),
      focused(0),
      selected(0),
      fontsShared(0),
      selectionMode(1),
      editable(1) {}

TextField::~TextField() {
    delete[] text;
    if (!fontsShared) fonts->deleteAll<BitmapFont>();
    delete fonts;
    delete caret;
}

void TextField::setBox(int bx, int by, int w, int h) {
    x = bx;
    y = by;
    width = w;
    height = h;
}

void TextField::setOrigin(int ox, int oy) {
    originX = ox;
    originY = oy;
}

void TextField::setCapacity(int n) {
    delete[] text;
    text = nullptr;
    capacity = n > 0 ? n : 0;
    if (capacity > 0) text = new char[static_cast<std::size_t>(capacity)]();
    length = 0;
    blinkOn = 1;
}

void TextField::setText(const char* s) {
    if (!s || !text) return;
    const std::size_t n = std::strlen(s);
    if (n < static_cast<std::size_t>(capacity)) std::memcpy(text, s, n + 1);
    // A text too long for the buffer leaves the old one, and length matches what is there.
    length = static_cast<int>(std::strlen(text));
}

void TextField::addFont(BitmapFont* f) {
    if (!f) return;
    fonts->add(f);
    fontsShared = 1;
    height = f->glyphHeight;
}

void TextField::loadFont(const char* file) {
    BitmapFont* f = new BitmapFont;
    f->load(file);
    fonts->add(f);
    height = f->glyphHeight;
}

void TextField::setCaret(const char* file) {
    delete caret;
    caret = new Sprite;
    caret->addFrameFile(file);
    caret->y = static_cast<float>(y + originY);
    caret->frameClock = 0;
}

void TextField::setFocus(int on) {
    if (!focused) clearKeyEvents();
    focused = on;
}

BitmapFont* TextField::font(int index) const {
    return index < fonts->getCount() ? fonts->at<BitmapFont>(index) : nullptr;
}

BitmapFont* TextField::drawingFont() const {
    return font(selected == 1 && fonts->getCount() > 1 ? 1 : 0);
}

int TextField::hitTest(int mx, int my) const {
    const int px = mx - originX;
    const int py = my - originY;
    return px >= x && px <= x + width && py >= y && py <= y + height ? 1 : 0;
}

int TextField::click(int mx, int my) {
    const int hit = hitTest(mx, my);
    if (!selectionMode) {
        setFocus(hit);
    } else if (!hit) {
        setFocus(0);
        selected = 0;
    } else if (selected && !focused) {
        setFocus(1);
    } else {
        selected = 1;
        setFocus(0);
    }
    return focused;
}

void TextField::insertChar(char ch) {
    if (!text || length + 1 >= capacity - 1) return;
    const BitmapFont* measure = font(0);
    const int used = measure ? measure->textWidth(text) + measure->charAdvance(ch) : 0;
    if (used >= width) return;
    text[length++] = ch;
    text[length] = '\0';
}

void TextField::backspace() {
    if (!text) return;
    if (length > 0) --length;
    text[length] = '\0';
}

int TextField::takeKey(int event) {
    if (!focused || !editable) return 0;
    if (event & kCharEvent) {
        const char ch = static_cast<char>(event & 0xFF);
        const BitmapFont* shown = font(0);
        const bool printable = ch > ' ' && ch < 0x7F;
        if (ch == ' ' || (shown ? shown->glyphFor(ch) != nullptr : printable)) insertChar(ch);
        return 0;
    }
    if (event == kBackspaceKey) {
        backspace();
    } else if (event == kEnterKey || event == 0x9C) {
        setFocus(0);
        return kEnterKey;
    } else if (event == kTabKey) {
        return kTabKey;
    }
    // Any other key is dropped: shifted Backspace, Enter and Tab, and the keys that type,
    // whose characters come as text.
    return 0;
}

int TextField::processKeys() {
    if (!focused || !editable) return 0;
    for (;;) {
        const int event = popKeyEvent();
        if (event == 0) return 0;
        const int key = takeKey(event);
        if (key != 0) return key;
    }
}

void TextField::draw(IDirectDrawSurface* surface) {
    const BitmapFont* f = drawingFont();
    if (f && text) f->drawText(surface, text, x + originX, y + originY, 0, x + width);
    if (caret) {
        const int now = getTimerClockMs();
        if (now > caret->frameClock) {
            // The next blink is due a blink after this one was, however late its frame came,
            // so the caret keeps its time; the first, or one after a long pause, starts afresh.
            const bool onTime = caret->frameClock != 0 && now - caret->frameClock < kBlinkMs;
            caret->frameClock = (onTime ? caret->frameClock : now) + kBlinkMs;
            blinkOn = 1 - blinkOn;
        }
    }
    // The caret shows or hides by itself: the next blink is asked for, so that it keeps its
    // time while the program rests.
    if (caret && editable && focused) frameDueAtClock(caret->frameClock + 1);
    if (caret && editable && focused && blinkOn) {
        const int tx = f && text ? f->textWidth(text) : 0;
        caret->setPosition(x + originX + tx, y + originY);
        caret->drawTo(surface);
    }
}
