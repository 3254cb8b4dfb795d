// The shell's test program: the shell with one screen of its own. Each run of the shutdown
// sequence appends a line to "shutdown.txt" in the working folder, so that tests can see it
// ran exactly once.
#include <cstdio>

#include "framework/screen_manager.h"
#include "shell/app_shell.h"
#include "shell/demo/demo_screen.h"

namespace {

DemoScreen demoScreen;

void registerScreens() {
    screenManager.addScreen(&demoScreen);
}

void noteShutdown() {
    if (std::FILE* f = std::fopen("shutdown.txt", "ab")) {
        std::fputs("shutdown\n", f);
        std::fclose(f);
    }
}

const Program kProgram{"ShellDemo", "demo",           false,   false,
                       true,        &registerScreens, nullptr, &noteShutdown};

}  // namespace

const Program& shellProgram() {
    return kProgram;
}
