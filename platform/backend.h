// platform/: stand-ins for the Windows platform calls, on SDL2, one folder per concern and
// one per backend; what both backends share (this interface, the injected faults, the
// transcript and the programs' start) lies here at the top.
//
// What the platform's common code asks of a backend: the desktop, the one window,
// turning device events into window messages, message boxes and the program's
// arguments. Two backends implement it: sdl (a real window) and headless (a script,
// a virtual clock and a transcript).
#pragma once

#include <string>

#include "platform/win32/win32.h"

namespace platform {

struct DesktopInfo {
    int width;
    int height;
    int bitsPerPixel;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    virtual DesktopInfo desktop() const = 0;
    // True when time is virtual: timers tick once per presented frame, not by the clock.
    virtual bool virtualTime() const = 0;
    // True when ShellExecuteA really starts programs; the headless backend only
    // records them in its transcript.
    virtual bool launchesPrograms() const = 0;

    // The window of the program (at most one), in screen coordinates.
    virtual bool windowCreate(const char* title, int x, int y, int width, int height,
                              bool visible) = 0;
    virtual void windowDestroy() = 0;
    virtual void windowSetTitle(const char* title) = 0;
    virtual void windowShow(bool visible) = 0;
    virtual void windowMove(int x, int y, int width, int height, bool topmost) = 0;

    // Turns pending device events into posted messages (platform::postInput).
    virtual void pollEvents() = 0;
    // Called when a poll of the message queue found it empty. `presentedSincePoll` says
    // whether a frame was presented since the previous empty poll.
    virtual void idle(bool presentedSincePoll) = 0;

    virtual void messageBox(const char* text, const char* caption, UINT type) = 0;
    // Shows or hides the system's pointer over the window.
    virtual void pointerShown(bool) {}

    // Wakes a frame loop resting in the backend's present (any thread): a message was
    // posted to the window.
    virtual void wake() {}

    // Called just before another program is started, so that what it reads at its start
    // (the remembered window) is already written.
    virtual void beforeStartingProgram() {}
};

Backend& backend();

// Posts a message to the program's window from device input (any thread).
void postInput(UINT message, WPARAM wParam, LPARAM lParam);
// True while the program's window has the focus, as the last WM_ACTIVATE said.
bool windowHasFocus();
void setWindowHasFocus(bool focus);
// The program window's screen position (for ClientToScreen and GetCursorPos).
POINT windowOrigin();
// Current pointer position in client coordinates, kept by the backend.
POINT pointerClientPosition();
void setPointerClientPosition(int x, int y);

// True when the window's message queue holds nothing, and no close for a signal waits to
// be posted: a resting backend may go on waiting.
bool nothingForTheWindow();

// Counted by the display on every present, so that an empty poll of the message queue
// can tell whether the program is presenting frames.
void notePresented();
// Calls observer after every presented frame, on the thread that presented it; null stops
// the calls (tests only: the soak checks the game's state frame by frame).
void setFrameObserverForTests(void (*observer)());
// Empties the message queue and forgets a pending quit (tests only).
void windowResetForTests();
// Makes the backend report this desktop, as --desktop does (tests only).
void setDesktopForTests(const DesktopInfo& desktop);

// Makes SIGTERM and SIGHUP (a logout) end the program as its window's close button does:
// the handler only notes the signal, and the next poll of the message queue posts one
// WM_CLOSE to the window. Called once at start, before any backend sets up its devices.
void installCloseSignals();

using WinMainFn = int (*)(HINSTANCE, HINSTANCE, LPSTR, int);

// The platform's main(): parses the backend's options, calls WinMain with the rest of
// the arguments joined by single spaces, and returns its result.
int runProgram(int argc, char** argv, WinMainFn winMain);

// Backend side of runProgram: reads the options it knows from argv and sets the command
// line text. Returns -1 to go on, else an exit status (bad options).
int backendStart(int argc, char** argv, std::string& commandLine);
// Called with WinMain's result before the process ends.
void backendFinish(int exitCode);

}  // namespace platform
