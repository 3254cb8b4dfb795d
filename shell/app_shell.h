// The application shell shared by both programs: start-up, the frame loop, the message pump
// and the shutdown sequence. Each program describes itself with a Program and defines
// shellProgram(); the shell's WinMain runs it.
#pragma once

#include "platform/win32/win32.h"

struct Program {
    // Window caption, and the text before " - " in setWindowTitle.
    const char* title;
    // The screen selected at start.
    const char* firstScreen;
    // Windowed on an 800 x 600 desktop, the window is made topmost.
    bool topmostOnSmallDesktop;
    // Reads the music and sound switches from "..\\options.ini" and starts the music.
    bool readsSoundSwitches;
    // Keeps the command line in `commandLine`.
    bool keepsCommandLine;
    // Registers the program's screens with the screen manager, in order.
    void (*registerScreens)();
    // Given a non-empty command line after the first screen is selected; may be null.
    void (*useCommandLine)(const char* text);
    // Releases the program's own state in the shutdown sequence; may be null.
    void (*releaseState)();
};

// Defined by each program; WinMain runs the program it describes.
const Program& shellProgram();

// The program the shell is running (set by shellWinMain, or by tests).
void setCurrentProgram(const Program* program);
const Program* currentProgram();

// The whole program: start-up checks, set-up, the frame loop. Returns WinMain's result.
int shellWinMain(HINSTANCE instance, const char* commandText, const Program& program);

// Drains the message queue, polling the keyboard once per message taken. Returns 1 when it
// took the quit message (posted again for callers further out), 0 when the queue is empty.
int pumpMessages();

// The shutdown sequence, run by the window procedure on WM_DESTROY.
void runShutdown();
// How many times the shutdown sequence has run in this process.
int shutdownRunCount();
