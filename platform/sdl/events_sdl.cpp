// The sdl backend's device events: the window's close, focus, exposure and geometry, the
// pointer mapped from the window onto the scaled picture, keys and typed text, and the
// controllers; each becomes the window message the program expects.
#include <SDL.h>

#include "platform/input/gamepad_sdl.h"
#include "platform/input/input.h"
#include "platform/input/keyboard_sdl.h"
#include "platform/sdl/backend_sdl.h"
#include "platform/sdl/pacing_sdl.h"

namespace platform::sdl {
namespace {

WPARAM mouseKeys() {
    int b = inputButtons();
    return ((b & 1) ? MK_LBUTTON : 0) | ((b & 2) ? MK_RBUTTON : 0);
}

}  // namespace

// Maps a position in window units to the picture; false when it lies in the bars.
bool SdlBackend::toPicture(int x, int y, int* px, int* py) {
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
    return outputToPicture(pictureBox(outW, outH, pictureW, pictureH), pictureW, pictureH, ox, oy,
                           px, py);
}

void SdlBackend::handle(const SDL_Event& e) {
    inputArrived();
    if (gamepadEvent(e)) return;
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
            if (!windowKey(e.key)) keyboardEvent(e.key);
            break;
        case SDL_TEXTINPUT:
            textInputEvent(e.text);
            break;
        default:
            break;
    }
}

void SdlBackend::pollEvents() {
    if (!videoReady) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) handle(e);
    gamepadsTick(SDL_GetTicks());
    followTextInputWanted();
    if (stateDirty && SDL_TICKS_PASSED(SDL_GetTicks(), stateChangedAt + kSettleMs)) saveState();
}

}  // namespace platform::sdl
