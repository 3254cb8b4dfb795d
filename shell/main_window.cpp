// The program's one top-level window: its class "DirectX Class", full-screen or centred
// windowed placement, and the window procedure that offers every message to the current
// screen before applying the shell's own rules.
#include "shell/main_window.h"

#include "framework/dialog_screen.h"
#include "framework/mouse_cursor.h"
#include "framework/nav_input.h"
#include "framework/screen_manager.h"
#include "qv/qv.h"
#include "shell/app_shell.h"
#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"

int registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "DirectX Class";
    return RegisterClassA(&wc) != 0 ? 1 : 0;
}

int createMainWindow(HINSTANCE instance) {
    const char* title = windowTitleBase();
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (fullScreen) {
        mainWindow = CreateWindowExA(0, "DirectX Class", title, WS_VISIBLE, 0, 0, sw, sh, nullptr,
                                     nullptr, instance, nullptr);
    } else {
        const int x = sw / 2 - 400, y = sh / 2 - 300;
        mainWindow = CreateWindowExA(0, "DirectX Class", title,
                                     WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, x,
                                     y, 800, 600, nullptr, nullptr, instance, nullptr);
        const Program* program = currentProgram();
        if (mainWindow && program && program->topmostOnSmallDesktop && sw == 800 && sh == 600)
            SetWindowPos(mainWindow, HWND_TOPMOST, x, y, 800, 600, SWP_SHOWWINDOW);
    }
    if (!mainWindow) return 0;
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    // The drawing area is always 800 x 600, whatever the client area is.
    clientWidth = 800;
    clientHeight = 600;
    return 1;
}

LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Every message goes to the current screen first; its answer changes nothing below.
    screenManager.forwardMessage(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_DESTROY:
            runShutdown();
            break;
        case WM_MOVE:
            if (mainWindow) {
                POINT p{0, 0};
                ClientToScreen(mainWindow, &p);
                QVSetWindowXY(p.x, p.y);
            }
            break;
        case WM_SIZE:
            if (wParam == SIZE_MAXIMIZED) {
                const unsigned w = LOWORD(lParam), h = HIWORD(lParam);
                const int ox = static_cast<int>(w / 2) - 399, oy = static_cast<int>(h / 2) - 300;
                QVSetWindowXY(ox, oy);
                mouseOffsetX = ox;
                mouseOffsetY = oy - GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYSMCAPTION);
            } else if (wParam == SIZE_RESTORED) {
                mouseOffsetX = mouseOffsetY = 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                QVAcquireMouse(0);
                appActive = 0;
            } else if (LOWORD(wParam) == WA_ACTIVE) {
                QVAcquireMouse(1);
                appActive = 1;
                SetFocus(mainWindow);
            }
            break;
        case WM_CLOSE:
            DestroyWindow(mainWindow);
            break;
        case WM_ACTIVATEAPP:
            appActive = wParam != 0 ? 1 : 0;
            break;
        case WM_KEYUP:
            // Esc closes the page that is open, and only with none open the program.
            if (wParam == VK_ESCAPE) {
                if (!DialogScreen::escapeOpenPage()) PostMessageA(mainWindow, WM_CLOSE, 0, 0);
            } else if (wParam == VK_F1) {
                showFps = 1 - showFps;
            }
            break;
        case WM_SYSCOMMAND:
            // Alt or F10 alone does not open the system menu.
            if (wParam == SC_KEYMENU) return 0;
            break;
        case WM_MOUSEMOVE:
            if (appActive == 1) {
                const int x = static_cast<int>(LOWORD(lParam)) - mouseOffsetX;
                const int y = static_cast<int>(HIWORD(lParam)) - mouseOffsetY;
                // The pointer in use again hides the focus (and brings the pointer back).
                if (x != mouseCursor.x || y != mouseCursor.y) noteInputDevice(InputDevice::Pointer);
                mouseCursor.setPosition(x, y);
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            noteInputDevice(InputDevice::Pointer);
            break;
        case WM_CHAR:
            // Typed text reaches the text fields through the keyboard queue, in order.
            if ((wParam & 0xFF) >= 0x20) pushKeyEvent(kCharEvent | static_cast<int>(wParam & 0xFF));
            break;
        default:
            break;
    }
    // WM_CLOSE has been handled: the default would destroy the window a second time.
    if (message == WM_CLOSE) return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
