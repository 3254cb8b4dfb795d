// The sdl backend: a real window, mouse and keyboard. The window opens as the user left it
// (or at the largest 4:3 size that fits), is resizable, and F11 or Alt+Enter switch it to
// desktop full screen and back; where it was is remembered when it settles and at the end.
#include "platform/sdl/backend_sdl.h"

#include <algorithm>
#include <cstdio>

#include "platform/display/ddraw_internal.h"
#include "platform/display/display.h"
#include "platform/input/gamepad_sdl.h"
#include "platform/sdl/pacing_sdl.h"

namespace platform::sdl {

bool SdlBackend::ensureVideo() {
    if (videoReady) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        lastError = SDL_GetError();
        return false;
    }
    videoReady = true;
    gamepadsOpen();
    return true;
}

DesktopInfo SdlBackend::desktop() const {
    if (desktopOverridden) return desktopOverride;
    SDL_DisplayMode mode{};
    DesktopInfo d{1024, 768, 16};
    if (const_cast<SdlBackend*>(this)->ensureVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        d.width = mode.w;
        d.height = mode.h;
    }
    // Presentation converts, so the programs always see a High Color display.
    return d;
}

// The window's place when nothing usable is remembered: the largest 4:3 size that fits
// the first display's usable area with room for the frame, centred.
Box SdlBackend::defaultPlacement() {
    SDL_Rect usable{0, 0, 1024, 768}, bounds{0, 0, 1024, 768};
    SDL_GetDisplayBounds(0, &bounds);
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) usable = bounds;
    return defaultWindowBox(Box{usable.x, usable.y, usable.w, usable.h},
                            Box{bounds.x, bounds.y, bounds.w, bounds.h}, kPictureW, kPictureH);
}

// True when a remembered window still fits a display and shows enough of itself there
// to be grabbed (a display may have gone since).
bool SdlBackend::fitsADisplay(const Box& w) {
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
bool SdlBackend::windowCreate(const char* title, int, int, int, int, bool visible) {
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
void SdlBackend::setIconFromFolder() {
    IDirectDrawSurface* icon = loadBitmapSurface("icon.bmp", 16);
    if (!icon) return;
    if (SDL_Surface* s = surfaceSdl(icon)) {
        SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, 0, 0, 255));
        SDL_SetWindowIcon(window, s);
    }
    icon->Release();
}

void SdlBackend::windowDestroy() {
    saveState();
    pictureWindow = false;
    displayClose();
    if (window) SDL_DestroyWindow(window);
    window = nullptr;
}

void SdlBackend::windowSetTitle(const char* title) {
    if (window) SDL_SetWindowTitle(window, title);
}

void SdlBackend::windowShow(bool visible) {
    if (!window) return;
    if (visible)
        SDL_ShowWindow(window);
    else
        SDL_HideWindow(window);
}

void SdlBackend::windowMove(int x, int y, int, int, bool topmost) {
    if (!window || fullScreen) return;
    SDL_SetWindowPosition(window, x, y);
    SDL_SetWindowAlwaysOnTop(window, topmost ? SDL_TRUE : SDL_FALSE);
}

// ---- Full screen and the remembered window -------------------------------------------

// The window's state now; its windowed box is read from the window only while it is
// windowed and not just switched (the desktop may not have restored it yet).
WindowState SdlBackend::currentState() {
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

void SdlBackend::saveState() {
    if (!window || !pictureWindow) return;
    saveWindowState(currentState());
    stateDirty = false;
}

void SdlBackend::noteGeometryChanged() {
    stateDirty = pictureWindow;
    stateChangedAt = SDL_GetTicks();
}

void SdlBackend::toggleFullScreen() {
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
bool SdlBackend::windowKey(const SDL_KeyboardEvent& k) {
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

void SdlBackend::beforeStartingProgram() {
    if (stateDirty) saveState();
}

void SdlBackend::idle(bool presentedSincePoll) {
    if (!videoReady) return;
    // A program that presents nothing (inactive, or waiting in a loop) waits briefly
    // for input instead of spinning a core.
    if (!windowHasFocus() || !presentedSincePoll) SDL_WaitEventTimeout(nullptr, 10);
}

void SdlBackend::wake() {
    wakeFromRest();
}

void SdlBackend::pointerShown(bool shown) {
    if (videoReady) SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void SdlBackend::messageBox(const char* text, const char* caption, UINT) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text);
    if (ensureVideo())
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption ? caption : "Error", text, nullptr);
}

SdlBackend& sdlBackend() {
    static SdlBackend* instance = new SdlBackend;  // lives until the process ends
    return *instance;
}

}  // namespace platform::sdl

namespace platform {

Backend& backend() {
    return sdl::sdlBackend();
}

void setDesktopForTests(const DesktopInfo& desktop) {
    sdl::sdlBackend().desktopOverride = desktop;
    sdl::sdlBackend().desktopOverridden = true;
}

int backendStart(int argc, char** argv, std::string& commandLine) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return -1;
}

void backendFinish(int) {
    sdl::SdlBackend& b = sdl::sdlBackend();
    if (b.window) b.windowDestroy();  // remembers the window as it was left
    displayClose();
    sdl::gamepadsClose();
    if (b.videoReady) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    b.videoReady = false;
}

}  // namespace platform
