// The shell's process-wide state, with the values it has before start-up.
#include "shell/shell_state.h"

HWND mainWindow = nullptr;
HINSTANCE appInstance = nullptr;
int fullScreen = 0;
int appActive = 0;
int showFps = 0;
float lastFps = 0.0f;
int clientWidth = 0;
int clientHeight = 0;
int mouseOffsetX = 0;
int mouseOffsetY = 0;
IDirectDraw* directDraw = nullptr;
IDirectDrawSurface* frontBuffer = nullptr;
IDirectDrawSurface* backBuffer = nullptr;
char* commandLine = nullptr;
