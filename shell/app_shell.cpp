// Start-up, frame loop, message pump and shutdown, shared by both programs; what differs
// between them comes from their Program description.
#include "shell/app_shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/screen_manager.h"
#include "framework/surface_utils.h"
#include "platform/display/ddraw.h"
#include "qv/qv.h"
#include "shell/keyboard_queue.h"
#include "shell/main_window.h"
#include "shell/shell_state.h"
#include "shell/timer_service.h"
#include "sound/qv_sound.h"
#include "sound/sound_effect_registry.h"

namespace {

const Program* runningProgram = nullptr;
int shutdownRuns = 0;

void refuse(const char* text) {
    MessageBoxA(nullptr, text, nullptr, MB_ICONERROR);
}

// The tick samples the mouse buttons so that clicks shorter than a frame still count.
void sampleCursorButtons() {
    mouseCursor.sampleButtons();
}

// True when the desktop is at 15 or 16 bits per pixel.
bool desktopIsHighColour() {
    HDC dc = GetDC(nullptr);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits == 15 || bits == 16;
}

// 0 when DirectDraw 7 is present, else the refusal text.
const char* checkDirectDraw() {
    IDirectDraw* dd = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &dd, nullptr)) || dd == nullptr)
        return "DirectX not installed. Program needs DirectX 7.0a or higher to run";
    void* dd7 = nullptr;
    dd->QueryInterface(IID_IDirectDraw7, &dd7);
    // Only a check: both references are given back, also when the interface is missing.
    if (dd7 != nullptr) static_cast<IDirectDraw*>(dd7)->Release();
    dd->Release();
    if (dd7 == nullptr) return "DirectX Version 7.0a or greater not installed";
    return nullptr;
}

bool profileSwitchOn(const char* key) {
    char answer[2] = {};
    GetPrivateProfileStringA("setup", key, "Y", answer, sizeof(answer), "..\\options.ini");
    return answer[0] == 'Y';
}

void applySoundSwitches() {
    const bool music = profileSwitchOn("music");
    soundRegistry.enableMusic(music ? 1 : 0);
    soundRegistry.enableSfx(profileSwitchOn("SFX") ? 1 : 0);
    if (music && g_Sound.LoadStream(".\\sounds\\music.wav", 0)) {
        QVSound::SetStreamVolume(0x7fff);
        g_Sound.PlayStream(SNDS_LOOP);
        g_Sound.FadeMusicIn(300);
    }
}

void keepCommandLine(const char* text) {
    const size_t length = std::strlen(text);
    // Sized to the text, so a command line of any length is kept whole.
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) return;
    std::memcpy(copy, text, length + 1);
    std::free(commandLine);
    commandLine = copy;
}

// The frame-rate text's area: from its left edge to the screen's right, one line high.
constexpr int kFpsX = 580, kFpsY = 0, kFpsWidth = 800 - kFpsX, kFpsHeight = 16;
bool fpsOnScreen = false;

// Puts the scene back where the frame-rate text was drawn: on the back buffer now, and
// queued for the other buffer of a flipping display.
void restoreFpsArea() {
    IDirectDrawSurface* scene = dirtyRects.getWorkingBackground();
    if (scene == nullptr || backBuffer == nullptr) return;
    blitRegion(scene, kFpsX, kFpsY, kFpsWidth, kFpsHeight, backBuffer, kFpsX, kFpsY);
    dirtyRects.queueRect(kFpsX, kFpsY, kFpsWidth, kFpsHeight, DIRTY_ONESHOT, DIRTY_RESTORE);
}

int runFrameLoop() {
    for (;;) {
        if (pumpMessages() == 1) return 0;
        HDC dc = nullptr;
        if (backBuffer != nullptr && SUCCEEDED(backBuffer->GetDC(&dc))) backBuffer->ReleaseDC(dc);
        if (appActive == 0) {
            QVAcquireMouse(0);
            continue;
        }
        QVAcquireMouse(1);
        // Each reading replaces the last, and switching the display off removes it.
        if (showFps == 1 || fpsOnScreen) restoreFpsArea();
        fpsOnScreen = showFps == 1;
        if (showFps == 1) {
            // The reading changes with every frame: the program never rests while it shows.
            QVFrameDueIn(0);
            lastFps = QVGetFPS();
            char text[32];
            std::snprintf(text, sizeof(text), "%5.2f", static_cast<double>(lastFps));
            QVPrintString(text, 580, 0);
        }
        if (screenManager.updateFrame(appActive) == 7) {
            DestroyWindow(mainWindow);
            return 0;
        }
    }
}

}  // namespace

void setCurrentProgram(const Program* program) {
    runningProgram = program;
    if (program != nullptr && program->title != nullptr) setWindowTitleBase(program->title);
}

const Program* currentProgram() {
    return runningProgram;
}

int shellWinMain(HINSTANCE instance, const char* commandText, const Program& program) {
    setCurrentProgram(&program);
    if (commandText == nullptr) commandText = "";

    if (!desktopIsHighColour()) {
        refuse("Ravelin Games needs the display set to High Color (16 bit).");
        return 0;
    }
    if (const char* problem = checkDirectDraw()) {
        refuse(problem);
        return 0;
    }

    appInstance = instance;
    QVSetInstance(appInstance);

    char setting[256] = {};
    GetPrivateProfileStringA("setup", "fullscreen", "0", setting, sizeof(setting), ".\\setup.ini");
    fullScreen = std::atoi(setting);

    if (!registerMainWindowClass(instance) || !createMainWindow(instance)) return 1;

    QVDebugEnable(0);
    if (fullScreen) {
        if (!QVInitDirectX(mainWindow, 800, 600, 16)) return 1;
        QVSetViewport(0, 0, 800, 600);
    } else {
        if (!QVInitDirectX(mainWindow, clientWidth, clientHeight)) {
            QVPrintError();
            return 1;
        }
        QVSetViewport(0, 0, clientWidth, clientHeight);
    }
    directDraw = QVGetLPDD();
    QVGetDDInfo(&frontBuffer, &backBuffer);
    fillSurface(backBuffer, 0);

    QVSetInstance(appInstance);
    QVInitMouse();
    setTimerTickHook(&sampleCursorButtons);
    startTimerService();
    // Without ticks nothing would sample the mouse buttons: the frames do it instead.
    mouseCursor.setSampleOnRead(isTimerServiceRunning() ? 0 : 1);
    soundRegistry.init(mainWindow, 200);
    if (program.readsSoundSwitches) applySoundSwitches();

    mouseCursor.init(nullptr);
    mouseCursor.selectImage(0);
    mouseCursor.hide();
    mouseCursor.setDoubleBuffered(fullScreen != 0 ? 1 : 0);
    POINT cursor{};
    GetCursorPos(&cursor);
    mouseCursor.setPosition(cursor.x, cursor.y);

    QVAcquireMouse(1);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    QVInitFont(mainWindow);

    screenManager.setDisplay(directDraw, backBuffer);
    if (program.registerScreens != nullptr) program.registerScreens();
    if (program.keepsCommandLine) keepCommandLine(commandText);
    screenManager.selectScreen(program.firstScreen);
    if (program.useCommandLine != nullptr && commandText[0] != '\0')
        program.useCommandLine(commandText);
    QVInitKeyboard();

    return runFrameLoop();
}

int pumpMessages() {
    MSG msg;
    // A controller posts no message: its buttons are read on every pump.
    pollPad();
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        pollKeyboard(QVGetKeys());
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return 1;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void runShutdown() {
    ++shutdownRuns;
    stopTimerService();
    screenManager.leaveAllScreens();
    mouseCursor.destroy();
    if (runningProgram != nullptr && runningProgram->releaseState != nullptr)
        runningProgram->releaseState();
    QVAcquireMouse(0);
    QVFreeFont();
    QVFreeDirectInput();
    QVFreeDirectX();
    soundRegistry.shutdown();
    appActive = 0;
    PostQuitMessage(0);
}

int shutdownRunCount() {
    return shutdownRuns;
}
