// The headless backend: no window and no devices. Input comes from a script, time from
// a virtual clock (one 10 ms timer tick per presented frame), and what the program does
// to the outside world goes to a transcript. Frames can be captured as BMP files.
#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/backend.h"
#include "platform/display/ddraw_internal.h"
#include "platform/display/display.h"
#include "platform/faults.h"
#include "platform/headless/script.h"
#include "platform/input/input.h"
#include "platform/transcript.h"
#include "platform/win32/threads_internal.h"
#include "platform/win32/timer_internal.h"

namespace platform {
namespace {

constexpr int kTickMs = 10;

struct Options {
    std::string script;
    std::string transcript;
    std::string captureDir;
    std::string audioOut;
    DesktopInfo desktop{1024, 768, 16};
    long maxFrames = 100000;
};

class HeadlessBackend final : public Backend {
public:
    Options options;
    std::vector<headless::Step> steps;
    size_t next = 0;
    int waitRemaining = 0;
    bool closeSent = false;
    long stepCount = 0;
    // Set once a program has started through main(); unit tests that link the backend
    // without starting a program get no script steps and no automatic close.
    bool driving = false;

    // Display.
    IDirectDrawSurface* front = nullptr;
    IDirectDrawSurface* back = nullptr;
    bool displayOpened = false;
    bool anyPresented = false;

    const char* name() const override { return "headless"; }
    DesktopInfo desktop() const override { return options.desktop; }
    bool virtualTime() const override { return true; }
    bool launchesPrograms() const override { return false; }

    bool windowCreate(const char*, int, int, int, int, bool) override { return true; }
    void windowDestroy() override {}
    void windowSetTitle(const char*) override {}
    void windowShow(bool) override {}
    void windowMove(int, int, int, int, bool) override {}
    void pollEvents() override {}

    void idle(bool presentedSincePoll) override {
        // An inactive program presents nothing; its empty polls drive the script instead.
        if (!presentedSincePoll) advance();
    }

    void messageBox(const char* text, const char* caption, UINT) override {
        transcriptWrite({"messagebox", text ? text : "", caption ? caption : ""});
    }

    // One step of the script: one frame passes.
    void advance() {
        if (!driving) return;
        ++stepCount;
        if (stepCount > options.maxFrames) {
            std::fprintf(stderr, "headless: --max-frames %ld reached\n", options.maxFrames);
            finishAndExit(124);
        }
        if (waitRemaining > 0 && --waitRemaining > 0) return;
        while (next < steps.size()) {
            const headless::Step& s = steps[next++];
            if (s.op == headless::Op::Wait) {
                if (s.a > 0) {
                    waitRemaining = s.a;
                    return;
                }
                continue;
            }
            execute(s);
        }
        if (!closeSent) {
            closeSent = true;
            postInput(WM_CLOSE, 0, 0);
        }
    }

    void execute(const headless::Step& s) {
        switch (s.op) {
            case headless::Op::Move: {
                setPointerClientPosition(s.a, s.b);
                postInput(WM_MOUSEMOVE, mouseKeys(), MAKELPARAM(s.a, s.b));
                break;
            }
            case headless::Op::Press:
            case headless::Op::Release: {
                const bool down = s.op == headless::Op::Press;
                inputSetButton(s.a, down);
                POINT p = pointerClientPosition();
                UINT msg = s.a == 0 ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                                    : (down ? WM_RBUTTONDOWN : WM_RBUTTONUP);
                postInput(msg, mouseKeys(), MAKELPARAM(p.x, p.y));
                break;
            }
            case headless::Op::KeyDown:
            case headless::Op::KeyUp: {
                const bool down = s.op == headless::Op::KeyDown;
                inputSetKey(s.a, down);
                const unsigned vk = virtualKeyOfScanCode(s.a);
                LPARAM lp = static_cast<LPARAM>((s.a & 0xFF) << 16) | 1;
                if (!down) lp |= static_cast<LPARAM>(0xC0000000u);
                postInput(down ? WM_KEYDOWN : WM_KEYUP, vk, lp);
                // What the key types reaches a text field as the system's text input would.
                if (down && s.b != 0 && textInputWanted()) postInput(WM_CHAR, s.b, 1);
                break;
            }
            case headless::Op::PadDown:
            case headless::Op::PadUp:
                inputSetPadButton(s.a, s.op == headless::Op::PadDown);
                break;
            case headless::Op::Capture:
                capture(s.text);
                break;
            case headless::Op::Activate:
                if (s.a) {
                    setWindowHasFocus(true);
                    postInput(WM_ACTIVATEAPP, 1, 0);
                    postInput(WM_ACTIVATE, WA_ACTIVE, 0);
                } else {
                    setWindowHasFocus(false);
                    postInput(WM_ACTIVATE, WA_INACTIVE, 0);
                    postInput(WM_ACTIVATEAPP, 0, 0);
                }
                break;
            case headless::Op::Close:
                postInput(WM_CLOSE, 0, 0);
                break;
            case headless::Op::Wait:
                break;
        }
    }

    static WPARAM mouseKeys() {
        int b = inputButtons();
        return ((b & 1) ? MK_LBUTTON : 0) | ((b & 2) ? MK_RBUTTON : 0);
    }

    void capture(const std::string& file) {
        std::filesystem::path path(file);
        if (!options.captureDir.empty() && !path.has_parent_path())
            path = std::filesystem::path(options.captureDir) / path;
        SDL_Surface* frame = front && anyPresented ? surfaceSdl(front) : nullptr;
        SDL_Surface* out = nullptr;
        if (frame) {
            out = SDL_ConvertSurfaceFormat(frame, SDL_PIXELFORMAT_BGR24, 0);
        } else {
            // Nothing presented yet: the player sees a black screen.
            out = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 24, SDL_PIXELFORMAT_BGR24);
            if (out) SDL_FillRect(out, nullptr, 0);
        }
        if (!out || SDL_SaveBMP(out, path.string().c_str()) != 0)
            std::fprintf(stderr, "headless: cannot capture %s\n", path.string().c_str());
        if (out) SDL_FreeSurface(out);
    }

    [[noreturn]] void finishAndExit(int code) {
        backendFinish(code);
        std::fflush(nullptr);
        _exit(code);
    }
};

HeadlessBackend& self() {
    static HeadlessBackend* instance = new HeadlessBackend;  // lives until the process ends
    return *instance;
}

bool parseDesktop(const char* text, DesktopInfo& d) {
    int w = 0, h = 0, b = 0;
    char tail = 0;
    if (std::sscanf(text, "%dx%dx%d%c", &w, &h, &b, &tail) != 3) return false;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || b <= 0 || b > 32) return false;
    d = DesktopInfo{w, h, b};
    return true;
}

int usage(const char* program, const std::string& problem) {
    std::fprintf(stderr,
                 "%s: %s\nusage: %s [--script FILE] [--transcript FILE] [--capture-dir DIR]"
                 " [--desktop WxHxBITS] [--max-frames N] [--audio-out FILE] [--fail NAME]"
                 " [-- COMMAND LINE]\n",
                 program, problem.c_str(), program);
    return 2;
}

}  // namespace

Backend& backend() {
    return self();
}

void setDesktopForTests(const DesktopInfo& desktop) {
    self().options.desktop = desktop;
}

int backendStart(int argc, char** argv, std::string& commandLine) {
    HeadlessBackend& b = self();
    const char* program = argc > 0 ? argv[0] : "program";
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--script") {
            if (!value(b.options.script)) return usage(program, "--script needs a file");
        } else if (a == "--transcript") {
            if (!value(b.options.transcript)) return usage(program, "--transcript needs a file");
        } else if (a == "--capture-dir") {
            if (!value(b.options.captureDir)) return usage(program, "--capture-dir needs a folder");
        } else if (a == "--audio-out") {
            if (!value(b.options.audioOut)) return usage(program, "--audio-out needs a file");
        } else if (a == "--desktop") {
            if (!value(v) || !parseDesktop(v.c_str(), b.options.desktop))
                return usage(program, "--desktop needs WxHxBITS");
        } else if (a == "--max-frames") {
            char* end = nullptr;
            if (!value(v)) return usage(program, "--max-frames needs a number");
            long n = std::strtol(v.c_str(), &end, 10);
            if (*end != '\0' || n <= 0) return usage(program, "--max-frames needs a number");
            b.options.maxFrames = n;
        } else if (a == "--fail") {
            if (!value(v)) return usage(program, "--fail needs a name");
            // A misspelt name would inject nothing and a fault test would pass untested.
            if (!faultKnown(v.c_str()))
                return usage(program, "unknown fault " + v + " (known: " + faultNames() + ")");
            faultSet(v.c_str(), true);
        } else {
            return usage(program, "unknown option " + a);
        }
    }
    for (int first = i; i < argc; ++i) {
        if (i > first) commandLine += ' ';
        commandLine += argv[i];
    }

    if (!b.options.script.empty()) {
        std::ifstream in(b.options.script, std::ios::binary);
        if (!in) return usage(program, "cannot read script " + b.options.script);
        std::ostringstream text;
        text << in.rdbuf();
        headless::ScriptError error;
        if (!headless::parseScript(text.str(), b.steps, error)) {
            std::fprintf(stderr, "%s:%d: %s\n", b.options.script.c_str(), error.line,
                         error.message.c_str());
            return 2;
        }
    }
    if (!b.options.captureDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(b.options.captureDir, ec);
    }
    if (!b.options.transcript.empty() && !transcriptOpen(b.options.transcript))
        return usage(program, "cannot write transcript " + b.options.transcript);
    if (!b.options.audioOut.empty()) audioSetOutputFile(b.options.audioOut.c_str());
    timersSetVirtual(true);
    b.driving = true;
    return -1;
}

void backendFinish(int exitCode) {
    audioFinishOutputFile();
    transcriptWrite({"exit", std::to_string(exitCode)});
    transcriptClose();
}

// ---- Display ------------------------------------------------------------------------

bool displayOpen(HWND, int width, int height, bool) {
    HeadlessBackend& b = self();
    if (b.displayOpened) return true;
    if (faultActive("display")) return false;
    b.back = surfaceCreate565(width, height);
    b.front = surfaceCreate565(width, height);
    if (!b.back || !b.front) {
        displayClose();
        return false;
    }
    b.displayOpened = true;
    b.anyPresented = false;
    return true;
}

void displayClose() {
    HeadlessBackend& b = self();
    if (b.back) b.back->Release();
    if (b.front) b.front->Release();
    b.back = b.front = nullptr;
    b.displayOpened = false;
}

bool displayIsOpen() {
    return self().displayOpened;
}
IDirectDraw* displayDirectDraw() {
    return self().displayOpened ? directDrawInstance() : nullptr;
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

// Frames follow the script and the virtual clock: there is no rest to wake from.
void displayFrameDueIn(unsigned) {}

bool displayPresent() {
    HeadlessBackend& b = self();
    if (!b.displayOpened) return false;
    // The back buffer keeps its contents; the front buffer holds what the player sees.
    // Only the parts drawn since the last frame are copied.
    SDL_Rect copied[kWrittenRectsMax];
    surfacePresentWritten(b.back, b.front, false, copied);
    b.anyPresented = true;
    notePresented();
    // One frame of virtual time: the timer tick, the audio mixed for it, and the threads
    // woken by either back at rest before the next frame begins.
    timersDeliverVirtualTick(kTickMs);
    audioDeviceAdvance(kTickMs);
    threadsWaitUntilIdle(2000);
    b.advance();
    return true;
}

const char* displayLastError() {
    return faultActive("display") ? "display set-up failed" : "";
}

}  // namespace platform
