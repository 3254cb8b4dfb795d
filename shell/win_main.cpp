// The programs' entry point: runs the program that links this shell.
#include "shell/app_shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandText, int) {
    return shellWinMain(instance, commandText, shellProgram());
}
