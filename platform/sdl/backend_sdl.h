// platform/sdl/: the sdl backend: a real window, its events, the picture in it, the pace
// of frames and the sound card.
//
// The sdl backend's state, shared by its parts: the window and its remembered place
// (backend_sdl.cpp), device events (events_sdl.cpp), the picture in the window
// (display_sdl.cpp) and the pace of frames (pacing_sdl.cpp).
#pragma once

#include <SDL.h>

#include <string>

#include "platform/backend.h"
#include "platform/display/ddraw.h"
#include "platform/display/window_placement.h"

namespace platform::sdl {

// The picture the programs draw; the window is sized for it before the display opens.
inline constexpr int kPictureW = 800, kPictureH = 600;
// A window's remembered state is written once its moves and resizes have settled this long.
inline constexpr Uint32 kSettleMs = 500;

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
    // Set by tests in place of the real desktop.
    bool desktopOverridden = false;
    DesktopInfo desktopOverride{};

    bool ensureVideo();

    const char* name() const override { return "sdl"; }
    DesktopInfo desktop() const override;
    bool virtualTime() const override { return false; }
    bool launchesPrograms() const override { return true; }
    bool windowCreate(const char* title, int x, int y, int width, int height,
                      bool visible) override;
    void windowDestroy() override;
    void windowSetTitle(const char* title) override;
    void windowShow(bool visible) override;
    void windowMove(int x, int y, int width, int height, bool topmost) override;
    void pollEvents() override;
    void idle(bool presentedSincePoll) override;
    void messageBox(const char* text, const char* caption, UINT type) override;
    void pointerShown(bool shown) override;
    void beforeStartingProgram() override;
    void wake() override;

    // The window's remembered state (backend_sdl.cpp).
    WindowState currentState();
    void saveState();
    void noteGeometryChanged();
    void toggleFullScreen();
    // True for F11 and Alt+Enter, which switch full screen and never reach the program.
    bool windowKey(const SDL_KeyboardEvent& k);

    // Device events (events_sdl.cpp).
    bool toPicture(int x, int y, int* px, int* py);
    void handle(const SDL_Event& e);

private:
    static Box defaultPlacement();
    static bool fitsADisplay(const Box& w);
    void setIconFromFolder();
};

SdlBackend& sdlBackend();

}  // namespace platform::sdl
