// The picture in the sdl backend's window: the programs draw on an RGB565 back buffer of
// 800 x 600; presenting converts what changed into a streaming texture that the renderer
// scales into the window, keeping the picture's aspect with bars.
#include <SDL.h>

#include <string>

#include "platform/display/ddraw_internal.h"
#include "platform/display/display.h"
#include "platform/display/window_placement.h"
#include "platform/faults.h"
#include "platform/sdl/backend_sdl.h"
#include "platform/sdl/pacing_sdl.h"

namespace platform {

bool displayOpen(HWND, int width, int height, bool fullScreen) {
    sdl::SdlBackend& b = sdl::sdlBackend();
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
    sdl::SdlBackend& b = sdl::sdlBackend();
    if (b.back) b.back->Release();
    if (b.front) b.front->Release();
    b.back = b.front = nullptr;
    if (b.texture) SDL_DestroyTexture(b.texture);
    if (b.renderer) SDL_DestroyRenderer(b.renderer);
    b.texture = nullptr;
    b.renderer = nullptr;
}

bool displayIsOpen() {
    return sdl::sdlBackend().renderer != nullptr;
}
IDirectDraw* displayDirectDraw() {
    return displayIsOpen() ? directDrawInstance() : nullptr;
}
IDirectDrawSurface* displayFrontBuffer() {
    return sdl::sdlBackend().front;
}
IDirectDrawSurface* displayBackBuffer() {
    return sdl::sdlBackend().back;
}

void displaySetViewport(const RECT& viewport) {
    if (sdl::sdlBackend().back) surfaceSetViewport(sdl::sdlBackend().back, &viewport);
}

void displaySetWindowOrigin(int, int) {}

void displayFrameDueIn(unsigned milliseconds) {
    sdl::frameDueIn(milliseconds);
}

bool displayPresent() {
    sdl::SdlBackend& b = sdl::sdlBackend();
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
    // Counted (and observed) as shown, before the wait for the next frame or the rest.
    notePresented();
    sdl::paceFrame(show);
    return true;
}

const char* displayLastError() {
    return sdl::sdlBackend().lastError.c_str();
}

}  // namespace platform
