// Windows, window classes and the thread's message queue. There is one program window;
// device input reaches it as posted messages from the backend, and DispatchMessageA
// calls its window procedure on the calling thread.
#include <signal.h>
#include <strings.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "platform/backend.h"
#include "platform/faults.h"
#include "platform/transcript.h"
#include "platform/win32/win32.h"

struct HWND__ {
    WNDPROC proc = nullptr;
    std::string className;
    std::string title;
    RECT rect{};
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;
};

namespace platform {
namespace {

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

std::mutex g_queueMutex;
std::deque<MSG> g_queue;
bool g_quitPending = false;
int g_quitCode = 0;

std::map<std::string, WNDCLASSA, CaseLess> g_classes;
HWND g_window = nullptr;
std::atomic<bool> g_focus{false};
std::atomic<int> g_pointerX{0}, g_pointerY{0};
std::atomic<long> g_presentCount{0};
std::atomic<void (*)()> g_frameObserver{nullptr};
long g_presentsAtLastEmptyPoll = -1;
// Set by the handler of SIGTERM and SIGHUP; the message poll turns it into one WM_CLOSE.
std::atomic<bool> g_closeSignalled{false};
bool g_closeSignalPosted = false;
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler must not lock");

void noteCloseSignal(int) {
    g_closeSignalled.store(true, std::memory_order_relaxed);
}

// A signal asks the program to end as its window's close button does, so it saves as it
// would then; later signals change nothing while it closes.
void postCloseForSignal() {
    if (g_closeSignalPosted || !g_window || !g_closeSignalled.load(std::memory_order_relaxed))
        return;
    g_closeSignalPosted = true;
    PostMessageA(g_window, WM_CLOSE, 0, 0);
}

bool isLive(HWND hwnd) {
    return hwnd != nullptr && hwnd == g_window;
}

void enqueue(const MSG& m) {
    {
        std::lock_guard lock(g_queueMutex);
        g_queue.push_back(m);
    }
    backend().wake();
}

void sendActivation(HWND hwnd, bool active) {
    if (active) {
        setWindowHasFocus(true);
        SendMessageA(hwnd, WM_ACTIVATEAPP, 1, 0);
        SendMessageA(hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
        SendMessageA(hwnd, WM_SETFOCUS, 0, 0);
    }
}

}  // namespace

void postInput(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!g_window) return;
    PostMessageA(g_window, message, wParam, lParam);
}

bool windowHasFocus() {
    return g_focus.load();
}
void setWindowHasFocus(bool focus) {
    g_focus.store(focus);
}

POINT windowOrigin() {
    if (!g_window) return POINT{0, 0};
    return POINT{g_window->rect.left, g_window->rect.top};
}

POINT pointerClientPosition() {
    return POINT{g_pointerX.load(), g_pointerY.load()};
}
void setPointerClientPosition(int x, int y) {
    g_pointerX.store(x);
    g_pointerY.store(y);
}

// Counted by the display on every present; lets an empty poll tell whether the program
// is presenting frames.
void notePresented() {
    g_presentCount.fetch_add(1);
    if (void (*observer)() = g_frameObserver.load()) observer();
}

bool nothingForTheWindow() {
    if (g_window && !g_closeSignalPosted && g_closeSignalled.load(std::memory_order_relaxed))
        return false;
    std::lock_guard lock(g_queueMutex);
    return g_queue.empty() && !g_quitPending;
}

void setFrameObserverForTests(void (*observer)()) {
    g_frameObserver.store(observer);
}

void installCloseSignals() {
    struct sigaction action {};
    action.sa_handler = noteCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void windowResetForTests() {
    std::lock_guard lock(g_queueMutex);
    g_queue.clear();
    g_quitPending = false;
    g_quitCode = 0;
    g_closeSignalled.store(false);
    g_closeSignalPosted = false;
}

}  // namespace platform

using namespace platform;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (faultActive("register-class")) return 0;
    if (g_classes.count(wc->lpszClassName)) {
        SetLastError(1410);  // ERROR_CLASS_ALREADY_EXISTS
        return 0;
    }
    g_classes[wc->lpszClassName] = *wc;
    return static_cast<ATOM>(0xC000 + g_classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    if (!className) return nullptr;
    auto it = g_classes.find(className);
    if (it == g_classes.end()) {
        SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
        return nullptr;
    }
    // One program window; the display and input belong to it.
    if (g_window || faultActive("create-window")) return nullptr;
    const char* title = windowName ? windowName : "";
    const bool visible = (style & WS_VISIBLE) != 0;
    if (!backend().windowCreate(title, x, y, width, height, visible)) return nullptr;

    HWND hwnd = new HWND__;
    hwnd->proc = it->second.lpfnWndProc;
    hwnd->className = it->first;
    hwnd->title = title;
    hwnd->rect = RECT{x, y, x + width, y + height};
    hwnd->style = style;
    hwnd->exStyle = exStyle;
    g_window = hwnd;
    transcriptWrite({"title", hwnd->title});

    if (SendMessageA(hwnd, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (visible) {
        hwnd->visible = true;
        sendActivation(hwnd, true);
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!isLive(hwnd)) return FALSE;
    if (g_focus.load()) {
        SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(hwnd, WM_ACTIVATEAPP, 0, 0);
        setWindowHasFocus(false);
    }
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    backend().windowDestroy();
    g_window = nullptr;
    {
        // Messages for a destroyed window are dropped, as Windows does.
        std::lock_guard lock(g_queueMutex);
        std::erase_if(g_queue, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    }
    delete hwnd;
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    return isLive(hwnd) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    if (!isLive(hwnd)) return FALSE;
    const bool wasVisible = hwnd->visible;
    const bool show = cmdShow != SW_HIDE;
    if (show != wasVisible) {
        hwnd->visible = show;
        backend().windowShow(show);
        if (show && !g_focus.load()) sendActivation(hwnd, true);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    return isLive(hwnd) ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!isLive(hwnd)) return FALSE;
    std::string t = text ? text : "";
    if (t != hwnd->title) {
        hwnd->title = t;
        backend().windowSetTitle(t.c_str());
        transcriptWrite({"title", t});
    }
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    if (!isLive(hwnd) || !text || maxCount <= 0) return 0;
    int n = std::min<int>(static_cast<int>(hwnd->title.size()), maxCount - 1);
    std::memcpy(text, hwnd->title.data(), n);
    text[n] = '\0';
    return n;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    if (!isLive(hwnd)) return FALSE;
    RECT r = hwnd->rect;
    if (!(flags & SWP_NOMOVE)) {
        const LONG w = r.right - r.left, h = r.bottom - r.top;
        r.left = x;
        r.top = y;
        r.right = x + w;
        r.bottom = y + h;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    const bool moved = r.left != hwnd->rect.left || r.top != hwnd->rect.top;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) hwnd->exStyle |= WS_EX_TOPMOST;
        if (insertAfter == HWND_NOTOPMOST) hwnd->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
    }
    hwnd->rect = r;
    backend().windowMove(r.left, r.top, r.right - r.left, r.bottom - r.top,
                         insertAfter == HWND_TOPMOST && !(flags & SWP_NOZORDER));
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOW);
    if (moved) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    if (!isLive(hwnd) || !rect) return FALSE;
    *rect = RECT{0, 0, hwnd->rect.right - hwnd->rect.left, hwnd->rect.bottom - hwnd->rect.top};
    return TRUE;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    if (!isLive(hwnd)) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(hwnd->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(hwnd->exStyle);
    return 0;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!isLive(hwnd) || !rect) return FALSE;
    *rect = hwnd->rect;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    if (!isLive(hwnd) || !point) return FALSE;
    point->x += hwnd->rect.left;
    point->y += hwnd->rect.top;
    return TRUE;
}

HWND SetFocus(HWND hwnd) {
    HWND previous = g_focus.load() ? g_window : nullptr;
    if (isLive(hwnd)) setWindowHasFocus(true);
    return previous;
}

HWND GetFocus() {
    return g_focus.load() ? g_window : nullptr;
}

BOOL PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT removeMsg) {
    if (!msg) return FALSE;
    postCloseForSignal();
    auto take = [&]() -> bool {
        std::lock_guard lock(g_queueMutex);
        if (!g_queue.empty()) {
            *msg = g_queue.front();
            if (removeMsg & PM_REMOVE) g_queue.pop_front();
            return true;
        }
        if (g_quitPending) {
            // WM_QUIT comes only once the queue is otherwise empty.
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(g_quitCode);
            msg->time = GetTickCount();
            if (removeMsg & PM_REMOVE) g_quitPending = false;
            return true;
        }
        return false;
    };
    if (take()) return TRUE;
    backend().pollEvents();
    if (take()) return TRUE;
    const long presents = g_presentCount.load();
    const bool presented = presents != g_presentsAtLastEmptyPoll;
    g_presentsAtLastEmptyPoll = presents;
    backend().idle(presented);
    return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    while (!PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE)) {
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    return (msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN)) ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !isLive(msg->hwnd) || !msg->hwnd->proc) return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!isLive(hwnd) || !hwnd->proc) return 0;
    return hwnd->proc(hwnd, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) PostMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F1 + 3) SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
            return 0;
        default:
            return 0;
    }
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !isLive(hwnd)) return FALSE;
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = GetTickCount();
    m.pt = pointerClientPosition();
    enqueue(m);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard lock(g_queueMutex);
    g_quitPending = true;
    g_quitCode = exitCode;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    backend().messageBox(text ? text : "", caption, type);
    return IDOK;
}

namespace {
HDC__* screenDc() {
    return reinterpret_cast<HDC__*>(0x5C);
}
}  // namespace

HDC GetDC(HWND) {
    return screenDc();
}
int ReleaseDC(HWND, HDC dc) {
    return dc == screenDc() ? 1 : 0;
}

int GetDeviceCaps(HDC, int index) {
    const DesktopInfo d = backend().desktop();
    switch (index) {
        case BITSPIXEL:
            return d.bitsPerPixel;
        case HORZRES:
            return d.width;
        case VERTRES:
            return d.height;
        default:
            return 0;
    }
}

int GetSystemMetrics(int index) {
    const DesktopInfo d = backend().desktop();
    switch (index) {
        case SM_CXSCREEN:
            return d.width;
        case SM_CYSCREEN:
            return d.height;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return 4;
        case SM_CYCAPTION:
            return 19;
        case SM_CYSMCAPTION:
            return 15;
        default:
            return 0;
    }
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    POINT p = pointerClientPosition();
    POINT o = windowOrigin();
    point->x = p.x + o.x;
    point->y = p.y + o.y;
    return TRUE;
}

DWORD GetTickCount() {
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    // Resources are not carried by the programs: an empty or unknown name gives none.
    (void)name;
    return nullptr;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return name == IDC_ARROW ? reinterpret_cast<HCURSOR>(0x7F00) : nullptr;
}

int ShowCursor(BOOL show) {
    static int count = 0;
    count += show ? 1 : -1;
    backend().pointerShown(count >= 0);
    return count;
}

HGDIOBJ GetStockObject(int object) {
    return object >= 0 && object <= 18 ? reinterpret_cast<HGDIOBJ>(0x1000 + object) : nullptr;
}
