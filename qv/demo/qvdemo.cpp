// The display demo: draws, animates and follows the mouse through the display library.
// Esc quits, F1 shows the frame rate, clicks leave rings where they landed.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/win32.h"
#include "qv/qv.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

HWND g_window = nullptr;
IDirectDrawSurface* g_back = nullptr;
bool g_showFps = false;
int g_mouseX = kWidth / 2, g_mouseY = kHeight / 2;
int g_lastKey = -1;
int g_lastState = -1;
bool g_input = true;  // something to show that the last frame did not
struct Spot {
    int x, y, frame;
};
std::vector<Spot> g_spots;

WORD rgb(int r, int g, int b) {
    return static_cast<WORD>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void fill(int x, int y, int w, int h, WORD colour) {
    RECT r{x, y, x + w, y + h};
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = colour;
    g_back->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

// A filled disc drawn as horizontal spans.
void disc(int cx, int cy, int radius, WORD colour) {
    for (int dy = -radius; dy <= radius; ++dy) {
        const int half =
            static_cast<int>(std::sqrt(static_cast<double>(radius * radius - dy * dy)));
        fill(cx - half, cy + dy, 2 * half + 1, 1, colour);
    }
}

void ring(int cx, int cy, int radius, WORD colour) {
    for (int a = 0; a < 360; a += 3) {
        const double t = a * M_PI / 180;
        fill(cx + static_cast<int>(radius * std::cos(t)) - 1,
             cy + static_cast<int>(radius * std::sin(t)) - 1, 3, 3, colour);
    }
}

void drawFrame(int frame, int buttons) {
    // A smooth vertical gradient, one span per row pair.
    for (int y = 0; y < kHeight; y += 2) {
        const int t = y * 255 / (kHeight - 1);
        fill(0, y, kWidth, 2, rgb(250 - t / 4, 240 - t / 6, 220 + t / 8));
    }
    // Three orbiting discs, each with a soft highlight so that they look glossy.
    const int colours[3][3] = {{60, 120, 230}, {245, 195, 30}, {220, 64, 173}};
    for (int k = 0; k < 3; ++k) {
        const double t = frame * 0.07 + k * 2.0944;
        const int cx = 400 + static_cast<int>(160 * std::cos(t));
        const int cy = 300 + static_cast<int>(120 * std::sin(t));
        const int* c = colours[k];
        disc(cx, cy, 36, rgb(c[0], c[1], c[2]));
        disc(cx - 10, cy - 12, 14, rgb((c[0] + 255) / 2, (c[1] + 255) / 2, (c[2] + 255) / 2));
        disc(cx - 12, cy - 14, 6, rgb((c[0] + 765) / 4, (c[1] + 765) / 4, (c[2] + 765) / 4));
    }
    for (const Spot& s : g_spots) ring(s.x, s.y, 10 + (frame - s.frame) % 20, rgb(40, 50, 120));
    // The pointer's marker, red while the left button is down.
    disc(g_mouseX, g_mouseY, 14, (buttons & 1) ? rgb(230, 40, 40) : rgb(40, 170, 90));
    disc(g_mouseX, g_mouseY, 5, rgb(255, 255, 255));

    char line[128];
    QVPrintString("qv demo  Esc quits  F1 frame rate  click anywhere", 16, 16);
    std::snprintf(line, sizeof line, "step %d  pointer %d,%d  last key %d", frame, g_mouseX,
                  g_mouseY, g_lastKey);
    QVPrintString(line, 16, 570);
    if (g_showFps) {
        std::snprintf(line, sizeof line, "%5.2f", QVGetFPS());
        QVPrintString(line, 680, 16);
    }
}

LRESULT CALLBACK demoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            g_input = true;
            g_mouseX = LOWORD(lParam);
            g_mouseY = HIWORD(lParam);
            return 0;
        case WM_LBUTTONDOWN:
            g_input = true;
            g_spots.push_back({LOWORD(lParam), HIWORD(lParam), 0});
            if (g_spots.size() > 40) g_spots.erase(g_spots.begin());
            return 0;
        case WM_KEYDOWN: {
            const char* keys = QVGetKeys();
            if (keys)
                for (int i = 0; i < 256; ++i)
                    if (keys[i] & 0x80) g_lastKey = i;
            g_input = true;
            return 0;
        }
        case WM_KEYUP:
            if (wParam == VK_ESCAPE) PostMessageA(hwnd, WM_CLOSE, 0, 0);
            if (wParam == VK_F1) g_showFps = !g_showFps;
            return 0;
        case WM_DESTROY:
            QVFreeFont();
            QVFreeDirectInput();
            QVFreeDirectX();
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    char value[16];
    GetPrivateProfileStringA("setup", "fullscreen", "0", value, sizeof value, ".\\setup.ini");
    const bool full = std::atoi(value) != 0;

    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = demoProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "DirectX Class";
    if (!RegisterClassA(&wc)) return 1;
    const int x = full ? 0 : GetSystemMetrics(SM_CXSCREEN) / 2 - kWidth / 2;
    const int y = full ? 0 : GetSystemMetrics(SM_CYSCREEN) / 2 - kHeight / 2;
    g_window = CreateWindowExA(0, "DirectX Class", "qv demo", WS_VISIBLE | WS_SYSMENU, x, y, kWidth,
                               kHeight, nullptr, nullptr, instance, nullptr);
    if (!g_window) return 1;
    const int ok = full ? QVInitDirectX(g_window, kWidth, kHeight, 16)
                        : QVInitDirectX(g_window, kWidth, kHeight);
    if (!ok) {
        QVPrintError();
        DestroyWindow(g_window);
        return 1;
    }
    QVSetViewport(0, 0, kWidth, kHeight);
    QVGetDDInfo(nullptr, &g_back);
    QVInitFont(g_window);
    QVInitMouse();
    QVAcquireMouse(1);
    QVInitKeyboard();

    // The animation steps 25 times a second while the player is about, and rests ten
    // seconds after the last input; frames that repeat the picture are not sent again.
    const DWORD start = GetTickCount();
    DWORD lastInput = start;
    int step = 0;
    for (int frame = 0;; ++frame) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!IsWindow(g_window) || !g_back) continue;
        const DWORD now = GetTickCount();
        if (g_input) lastInput = now;
        if (now - lastInput < 10000) step = static_cast<int>((now - start) / 40);
        for (Spot& s : g_spots)
            if (s.frame == 0) s.frame = step;
        int mx = 0, my = 0, buttons = 0;
        QVGetMouseData(&mx, &my, &buttons);
        const int state = step * 4 + (buttons & 1) + (g_showFps ? 2 : 0);
        if (state != g_lastState || g_input) drawFrame(step, buttons);
        g_lastState = state;
        g_input = false;
        QVFlip();
    }
}
