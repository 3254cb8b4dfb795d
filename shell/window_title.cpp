// The window caption: the program title, alone or followed by " - " and a text.
#include <cstdio>

#include "shell/main_window.h"
#include "shell/shell_state.h"

namespace {

char titleBase[128] = "Tintaro";

}  // namespace

void setWindowTitleBase(const char* title) {
    std::snprintf(titleBase, sizeof(titleBase), "%s", title ? title : "");
}

const char* windowTitleBase() {
    return titleBase;
}

void setWindowTitle(const char* text) {
    char caption[256];
    // Cut to the buffer: a long name shortens the caption instead of overrunning it.
    std::snprintf(caption, sizeof(caption), "%s - %s", titleBase, text ? text : "");
    SetWindowTextA(mainWindow, caption);
}
