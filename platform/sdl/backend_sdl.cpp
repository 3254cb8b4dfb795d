// The sdl backend: a real window, mouse and keyboard. The programs draw on an RGB565
// back buffer of 800 x 600; presenting converts it into a streaming texture that the
// renderer scales into the window, keeping the picture's aspect with bars, paced to the
// display. The window opens as the user left it (or at the largest 4:3 size that fits),
// is resizable, and F11 or Alt+Enter switch it to desktop full screen and back.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/backend.h"
#include "platform/ddraw_internal.h"
#include "platform/display.h"
#include "platform/faults.h"
#include "platform/input.h"
#include "platform/sdl/gamepad_sdl.h"
#include "platform/sdl/keyboard_sdl.h"
#include "platform/window_placement.h"

namespace platform {
namespace {

constexpr Uint32 kFrameMs = 16;
// The picture the programs draw; the window is sized for it before the display opens.
constexpr int kPictureW = 800, kPictureH = 600;
// A window's remembered state is written once its moves and resizes have settled this long.
constexpr Uint32 kSettleMs = 500;

class SdlBackend final : public Backend {
public:
    bool videoReady = false;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 textureFormat = SDL_PIXELFORMAT_RGB888;
    IDirectDrawSurface* front = nullptr;
    IDirectDrawSurface* back = nullptr;
    bool fullScreen = false;
    Uint32 lastPresent = 0;
    std::string lastError;
    bool closeRequested = false;
    bool forcePresent = true;
    int pictureW = kPictureW, pictureH = kPictureH;
    Box shownBox;                // where the picture was last drawn, in drawable pixels
    bool pictureWindow = false;  // the window shows the picture: its state is remembered
    Box windowed;                // the window's box when not full screen
    bool stateDirty = false;
    Uint32 stateChangedAt = 0;
    Uint32 settledAfter = 0;   // geometry is not read before this, after a switch
    int pressedInPicture = 0;  // button bits whose press the program was given
    bool heldWindowKey[SDL_NUM_SCANCODES] = {};

    bool ensureVideo() {
        if (videoReady) return true;
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            lastError = SDL_GetError();
            return false;
        }
        videoReady = true;
        sdl::gamepadsOpen();
        return true;
    }

    const char* name() const override { return "sdl"; }

    // Set by tests in place of the real desktop.
    bool desktopOverridden = false;
    DesktopInfo desktopOverride{};

    DesktopInfo desktop() const override {
        if (desktopOverridden) return desktopOverride;
        SDL_DisplayMode mode{};
        DesktopInfo d{1024, 768, 16};
        if (const_cast<SdlBackend*>(this)->ensureVideo() &&
            SDL_GetDesktopDisplayMode(0, &mode) == 0) {
            d.width = mode.w;
            d.height = mode.h;
        }
        // Presentation converts, so the programs always see a High Color display.
        return d;
    }

    bool virtualTime() const override { return false; }
    bool launchesPrograms() const override { return true; }

    // The window's place when nothing usable is remembered: the largest 4:3 size that fits
    // the first display's usable area with room for the frame, centred.
    static Box defaultPlacement() {
        SDL_Rect usable{0, 0, 1024, 768}, bounds{0, 0, 1024, 768};
        SDL_GetDisplayBounds(0, &bounds);
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = bounds;
        return defaultWindowBox(Box{usable.x, usable.y, usable.w, usable.h},
                                Box{bounds.x, bounds.y, bounds.w, bounds.h}, kPictureW, kPictureH);
    }

    // True when a remembered window still fits a display and shows enough of itself there
    // to be grabbed (a display may have gone since).
    static bool fitsADisplay(const Box& w) {
        for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
            SDL_Rect d{};
            if (SDL_GetDisplayBounds(i, &d) != 0) continue;
            const int left = std::max(w.x, d.x), right = std::min(w.x + w.w, d.x + d.w);
            const int top = std::max(w.y, d.y), bottom = std::min(w.y + w.h, d.y + d.h);
            if (w.w <= d.w && w.h <= d.h && right - left >= 64 && bottom - top >= 64) return true;
        }
        return false;
    }

    // The program's requested place is replaced by the remembered one, or the default (full
    // screen on a handheld-sized desktop).
    bool windowCreate(const char* title, int, int, int, int, bool visible) override {
        if (!ensureVideo()) return false;
        WindowState state;
        const bool remembered = loadWindowState(&state) && fitsADisplay(state.window);
        const Box place = remembered ? state.window : defaultPlacement();
        SDL_Rect bounds{0, 0, 1024, 768};
        SDL_GetDisplayBounds(0, &bounds);
        fullScreen = opensFullScreen(remembered ? &state : nullptr, bounds.w, bounds.h);
        Uint32 flags = (visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN) | SDL_WINDOW_RESIZABLE |
                       SDL_WINDOW_ALLOW_HIGHDPI;
        if (fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        window = SDL_CreateWindow(title, place.x, place.y, place.w, place.h, flags);
        if (!window) {
            lastError = SDL_GetError();
            return false;
        }
        SDL_SetWindowMinimumSize(window, kPictureW / 2, kPictureH / 2);
        setIconFromFolder();
        windowed = place;
        settledAfter = SDL_GetTicks();
        stateDirty = false;
        return true;
    }

    // The program folder's icon.bmp, its pure blue transparent, as the window's icon.
    void setIconFromFolder() {
        IDirectDrawSurface* icon = loadBitmapSurface("icon.bmp", 16);
        if (!icon) return;
        if (SDL_Surface* s = surfaceSdl(icon)) {
            SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 0, 0, 255));
            SDL_SetWindowIcon(window, s);
        }
        icon->Release();
    }

    void windowDestroy() override {
        saveState();
        pictureWindow = false;
        displayClose();
        if (window) SDL_DestroyWindow(window);
        window = nullptr;
    }

    void windowSetTitle(const char* title) override {
        if (window) SDL_SetWindowTitle(window, title);
    }

    void windowShow(bool visible) override {
        if (!window) return;
        if (visible)
            SDL_ShowWindow(window);
        else
            SDL_HideWindow(window);
    }

    void windowMove(int x, int y, int, int, bool topmost) override {
        if (!window || fullScreen) return;
        SDL_SetWindowPosition(window, x, y);
        SDL_SetWindowAlwaysOnTop(window, topmost ? SDL_TRUE : SDL_FALSE);
    }

    // ---- Full screen and the remembered window -------------------------------------

    // The window's state now; its windowed box is read from the window only while it is
    // windowed and not just switched (the desktop may not have restored it yet).
    WindowState currentState() {
        const Uint32 flags = SDL_GetWindowFlags(window);
        if (!fullScreen && SDL_TICKS_PASSED(SDL_GetTicks(), settledAfter) &&
            !(flags & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MINIMIZED))) {
            Box now;
            SDL_GetWindowPosition(window, &now.x, &now.y);
            SDL_GetWindowSize(window, &now.w, &now.h);
            // The outer corner, where a window asked for at x, y is put by the desktop.
            int top = 0, left = 0;
            if (SDL_GetWindowBordersSize(window, &top, &left, nullptr, nullptr) == 0) {
                now.x -= left;
                now.y -= top;
            }
            if (now.w > 0 && now.h > 0) windowed = now;
        }
        WindowState state;
        state.window = windowed;
        state.fullScreen = fullScreen;
        return state;
    }

    void saveState() {
        if (!window || !pictureWindow) return;
        saveWindowState(currentState());
        stateDirty = false;
    }

    void noteGeometryChanged() {
        stateDirty = pictureWindow;
        stateChangedAt = SDL_GetTicks();
    }

    void toggleFullScreen() {
        if (!window) return;
        if (!fullScreen) currentState();  // keeps the windowed box to come back to
        const bool to = !fullScreen;
        if (SDL_SetWindowFullscreen(window, to ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
        fullScreen = to;
        forcePresent = true;
        settledAfter = SDL_GetTicks() + kSettleMs;
        // Written at once, so that a program started now opens the same way; the settled
        // windowed box follows.
        if (pictureWindow) saveWindowState(WindowState{windowed, fullScreen});
        noteGeometryChanged();
    }

    // F11 and Alt+Enter belong to the window: they switch full screen and never reach the
    // program, nor do their repeats and releases.
    bool windowKey(const SDL_KeyboardEvent& k) {
        const SDL_Scancode sc = k.keysym.scancode;
        if (sc < 0 || sc >= SDL_NUM_SCANCODES) return false;
        if (k.type == SDL_KEYUP) {
            if (!heldWindowKey[sc]) return false;
            heldWindowKey[sc] = false;
            return true;
        }
        const bool enter = sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER;
        const bool alt = (k.keysym.mod & KMOD_ALT) != 0;
        // A fresh press decides; its repeats follow it.
        if (!k.repeat) heldWindowKey[sc] = sc == SDL_SCANCODE_F11 || (enter && alt);
        if (!heldWindowKey[sc]) return false;
        if (!k.repeat) toggleFullScreen();
        return true;
    }

    // ---- The picture in the window --------------------------------------------------

    // Maps a position in window units to the picture; false when it lies in the bars.
    bool toPicture(int x, int y, int* px, int* py) {
        int winW = 0, winH = 0, outW = 0, outH = 0;
        if (window) SDL_GetWindowSize(window, &winW, &winH);
        if (!renderer || SDL_GetRendererOutputSize(renderer, &outW, &outH) != 0) {
            outW = winW;
            outH = winH;
        }
        if (winW <= 0 || winH <= 0 || outW <= 0 || outH <= 0) {
            *px = x;
            *py = y;
            return x >= 0 && y >= 0 && x < pictureW && y < pictureH;
        }
        // Window units to drawable pixels (they differ on a high-density screen), at the
        // centre of the pixel pointed at.
        const double ox = (x + 0.5) * outW / winW, oy = (y + 0.5) * outH / winH;
        return outputToPicture(pictureBox(outW, outH, pictureW, pictureH), pictureW, pictureH, ox,
                               oy, px, py);
    }

    static WPARAM mouseKeys() {
        int b = inputButtons();
        return ((b & 1) ? MK_LBUTTON : 0) | ((b & 2) ? MK_RBUTTON : 0);
    }

    void handle(const SDL_Event& e) {
        if (sdl::gamepadEvent(e)) return;
        switch (e.type) {
            case SDL_QUIT:
                if (!closeRequested) postInput(WM_CLOSE, 0, 0);
                closeRequested = true;
                break;
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        if (!closeRequested) postInput(WM_CLOSE, 0, 0);
                        closeRequested = true;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        if (!windowHasFocus()) {
                            setWindowHasFocus(true);
                            postInput(WM_ACTIVATEAPP, 1, 0);
                            postInput(WM_ACTIVATE, WA_ACTIVE, 0);
                        }
                        break;
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        if (windowHasFocus()) {
                            setWindowHasFocus(false);
                            inputReleaseAllKeys();
                            postInput(WM_ACTIVATE, WA_INACTIVE, 0);
                            postInput(WM_ACTIVATEAPP, 0, 0);
                        }
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                    case SDL_WINDOWEVENT_SHOWN:
                    case SDL_WINDOWEVENT_RESTORED:
                        forcePresent = true;
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        forcePresent = true;
                        noteGeometryChanged();
                        break;
                    case SDL_WINDOWEVENT_MOVED:
                        if (!fullScreen)
                            postInput(WM_MOVE, 0, MAKELPARAM(e.window.data1, e.window.data2));
                        noteGeometryChanged();
                        break;
                    default:
                        break;
                }
                break;
            case SDL_MOUSEMOTION: {
                // In picture coordinates wherever the window is; over the bars they lie
                // outside the picture, as for a pointer outside the window.
                int x = 0, y = 0;
                toPicture(e.motion.x, e.motion.y, &x, &y);
                setPointerClientPosition(x, y);
                postInput(WM_MOUSEMOVE, mouseKeys(), MAKELPARAM(x, y));
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                const bool down = e.type == SDL_MOUSEBUTTONDOWN;
                int bit = e.button.button == SDL_BUTTON_LEFT    ? 0
                          : e.button.button == SDL_BUTTON_RIGHT ? 1
                                                                : -1;
                if (bit < 0) break;
                int x = 0, y = 0;
                const bool inside = toPicture(e.button.x, e.button.y, &x, &y);
                // A press in the bars is no press of the program; a release ends only a press
                // it was given.
                const int mask = 1 << bit;
                if (down && !inside) break;
                if (!down && !(pressedInPicture & mask)) break;
                pressedInPicture = down ? (pressedInPicture | mask) : (pressedInPicture & ~mask);
                // The program takes a press where it last saw the pointer: move it there first.
                const POINT last = pointerClientPosition();
                if (last.x != x || last.y != y) {
                    setPointerClientPosition(x, y);
                    postInput(WM_MOUSEMOVE, mouseKeys(), MAKELPARAM(x, y));
                }
                inputSetButton(bit, down);
                UINT msg = bit == 0 ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                                    : (down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
                postInput(msg, mouseKeys(), MAKELPARAM(x, y));
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                if (!windowKey(e.key)) sdl::keyboardEvent(e.key);
                break;
            case SDL_TEXTINPUT:
                sdl::textInputEvent(e.text);
                break;
            default:
                break;
        }
    }

    void pollEvents() override {
        if (!videoReady) return;
        SDL_Event e;
        while (SDL_PollEvent(&e)) handle(e);
        sdl::gamepadsTick(SDL_GetTicks());
        sdl::followTextInputWanted();
        if (stateDirty && SDL_TICKS_PASSED(SDL_GetTicks(), stateChangedAt + kSettleMs)) saveState();
    }

    void beforeStartingProgram() override {
        if (stateDirty) saveState();
    }

    void idle(bool presentedSincePoll) override {
        if (!videoReady) return;
        // A program that presents nothing (inactive, or waiting in a loop) waits briefly
        // for input instead of spinning a core.
        if (!windowHasFocus() || !presentedSincePoll) SDL_WaitEventTimeout(nullptr, 10);
    }

    void pointerShown(bool shown) override {
        if (videoReady) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
    }

    void messageBox(const char* text, const char* caption, UINT) override {
        std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text);
        if (ensureVideo())
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "Error", text,
                                     nullptr);
    }
};

SdlBackend& self() {
    static SdlBackend* instance = new SdlBackend;  // lives until the process ends
    return *instance;
}

}  // namespace

Backend& backend() {
    return self();
}

void setDesktopForTests(const DesktopInfo& desktop) {
    self().desktopOverride = desktop;
    self().desktopOverridden = true;
}

int backendStart(int argc, char** argv, std::string& commandLine) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return -1;
}

void backendFinish(int) {
    SdlBackend& b = self();
    if (b.window) b.windowDestroy();  // remembers the window as it was left
    displayClose();
    sdl::gamepadsClose();
    if (b.videoReady) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    b.videoReady = false;
}

// ---- Display ------------------------------------------------------------------------

bool displayOpen(HWND, int width, int height, bool fullScreen) {
    SdlBackend& b = self();
    if (b.renderer) return true;
    if (!b.window || faultActive("display")) {
        b.lastError = "The display could not be set up: no window.";
        return false;
    }
    // Full screen in the program's set-up starts full screen; otherwise the window opens as
    // it was remembered.
    if (fullScreen && !b.fullScreen &&
        SDL_SetWindowFullscreen(b.window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0)
        b.fullScreen = true;
    // SDL's software renderer scales the picture as well as a GPU does here, and spares the
    // program the GL driver's own 60-90 MiB (docs/performance.md has the figures). The
    // environment (SDL_RENDER_DRIVER) can still choose another.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    b.renderer = SDL_CreateRenderer(b.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!b.renderer) b.renderer = SDL_CreateRenderer(b.window, -1, SDL_RENDERER_SOFTWARE);
    if (!b.renderer) {
        b.lastError = std::string("The display could not be set up: ") + SDL_GetError();
        return false;
    }
    b.pictureW = width;
    b.pictureH = height;
    b.shownBox = Box{};
    // The texture takes the window's own 32-bit format, so that the software renderer's
    // scaling runs on its fast path (same format, 4 bytes a pixel, no blending); the 565
    // picture is converted as its changed parts are uploaded.
    b.textureFormat = SDL_GetWindowPixelFormat(b.window);
    if (SDL_BYTESPERPIXEL(b.textureFormat) != 4 || SDL_ISPIXELFORMAT_INDEXED(b.textureFormat))
        b.textureFormat = SDL_PIXELFORMAT_RGB888;
    b.texture =
        SDL_CreateTexture(b.renderer, b.textureFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (b.texture) SDL_SetTextureBlendMode(b.texture, SDL_BLENDMODE_NONE);
    b.back = surfaceCreate565(width, height);
    b.front = surfaceCreate565(width, height);
    if (!b.texture || !b.back || !b.front) {
        b.lastError = std::string("The display could not be set up: ") + SDL_GetError();
        displayClose();
        return false;
    }
    b.pictureWindow = true;
    b.forcePresent = true;
    SDL_ShowCursor(SDL_ENABLE);
    return true;
}

void displayClose() {
    SdlBackend& b = self();
    if (b.back) b.back->Release();
    if (b.front) b.front->Release();
    b.back = b.front = nullptr;
    if (b.texture) SDL_DestroyTexture(b.texture);
    if (b.renderer) SDL_DestroyRenderer(b.renderer);
    b.texture = nullptr;
    b.renderer = nullptr;
}

bool displayIsOpen() {
    return self().renderer != nullptr;
}
IDirectDraw* displayDirectDraw() {
    return displayIsOpen() ? directDrawInstance() : nullptr;
}
IDirectDrawSurface* displayFrontBuffer() {
    return self().front;
}
IDirectDrawSurface* displayBackBuffer() {
    return self().back;
}

void displaySetViewport(const RECT& viewport) {
    if (self().back) surfaceSetViewport(self().back, &viewport);
}

void displaySetWindowOrigin(int, int) {}

bool displayPresent() {
    SdlBackend& b = self();
    if (!b.renderer) return false;
    // Only the parts drawn since the last frame are compared with what is on screen, and
    // only those that changed are sent again: a program at rest then costs next to
    // nothing. The whole frame is shown again after an expose, a resize or a switch (a
    // scaled frame costs milliseconds: showing it now and then at rest would cost more than
    // the rest of the idle program).
    // The picture fills the largest box of its aspect in the drawable (in real pixels, also
    // on a high-density screen). Whole multiples are drawn pixel for pixel; between them
    // the picture is smoothed.
    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(b.renderer, &outW, &outH) != 0 || outW <= 0 || outH <= 0) {
        outW = b.pictureW;
        outH = b.pictureH;
    }
    const Box box = pictureBox(outW, outH, b.pictureW, b.pictureH);
    if (box.x != b.shownBox.x || box.y != b.shownBox.y || box.w != b.shownBox.w ||
        box.h != b.shownBox.h) {
        b.shownBox = box;
        b.forcePresent = true;
        SDL_SetTextureScaleMode(b.texture, isWholeMultiple(box, b.pictureW, b.pictureH)
                                               ? SDL_ScaleModeNearest
                                               : SDL_ScaleModeLinear);
    }
    SDL_Rect changed[kWrittenRectsMax];
    const int n = surfacePresentWritten(b.back, b.front, true, changed);
    const bool show = b.forcePresent || n > 0;
    if (SDL_Surface* src = surfaceSdl(b.back); show && src) {
        SDL_LockSurface(src);
        // Converts a part of the picture into the texture.
        auto upload = [&](const SDL_Rect& r) {
            void* pixels = nullptr;
            int pitch = 0;
            if (SDL_LockTexture(b.texture, &r, &pixels, &pitch) != 0) return;
            const char* at = static_cast<const char*>(src->pixels) +
                             static_cast<size_t>(r.y) * src->pitch +
                             static_cast<size_t>(r.x) * src->format->BytesPerPixel;
            SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB565, at, src->pitch, b.textureFormat,
                              pixels, pitch);
            SDL_UnlockTexture(b.texture);
        };
        if (b.forcePresent) {
            upload(SDL_Rect{0, 0, b.pictureW, b.pictureH});
        } else {
            for (int i = 0; i < n; ++i) upload(changed[i]);
        }
        SDL_UnlockSurface(src);
        SDL_Rect to{box.x, box.y, box.w, box.h};
        // The bars, where the window's shape differs from the picture's.
        SDL_Rect bars[2];
        int barCount = 0;
        if (box.x > 0) {
            bars[barCount++] = SDL_Rect{0, 0, box.x, outH};
            bars[barCount++] = SDL_Rect{box.x + box.w, 0, outW - box.x - box.w, outH};
        } else if (box.y > 0) {
            bars[barCount++] = SDL_Rect{0, 0, outW, box.y};
            bars[barCount++] = SDL_Rect{0, box.y + box.h, outW, outH - box.y - box.h};
        }
        if (barCount > 0) {
            SDL_SetRenderDrawColor(b.renderer, 0, 0, 0, 255);
            SDL_RenderFillRects(b.renderer, bars, barCount);
        }
        SDL_RenderCopy(b.renderer, b.texture, nullptr, &to);
        SDL_RenderPresent(b.renderer);
        b.forcePresent = false;
    }
    // Pacing: never faster than the display refresh, even where vsync is missing or
    // nothing was shown.
    const Uint32 now = SDL_GetTicks();
    const Uint32 spent = now - b.lastPresent;
    if (b.lastPresent != 0 && spent < kFrameMs) SDL_Delay(kFrameMs - spent);
    b.lastPresent = SDL_GetTicks();
    notePresented();
    return true;
}

const char* displayLastError() {
    return self().lastError.c_str();
}

}  // namespace platform
