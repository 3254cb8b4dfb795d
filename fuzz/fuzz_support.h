// Helpers shared by the fuzz targets: each input goes to a file of the target's own (one
// per process, so parallel runs do not collide), and the readers open it as they open
// files in the programs. Surfaces need the headless display, opened once per process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"
#include "qv/qv.h"

namespace fuzzing {

// A per-process path in /tmp ending in suffix (".bmp", ".ini", ...).
inline std::string inputPath(const char* name, const char* suffix) {
    return "/tmp/" + std::string(name) + "_" + std::to_string(getpid()) + suffix;
}

// Replaces the file with the bytes; false when it cannot be written.
inline bool writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

inline LRESULT CALLBACK plainWindowProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(hwnd, m, w, l);
}

// Opens an 800 x 600 headless display the first time; returns its back buffer (null when
// the display could not be opened).
inline IDirectDrawSurface* openDisplay() {
    static IDirectDrawSurface* back = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainWindowProc;
        wc.lpszClassName = "Fuzz";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "Fuzz", "fuzz", WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                      nullptr, nullptr, nullptr);
        if (QVInitDirectX(window, 800, 600) == 0) return static_cast<IDirectDrawSurface*>(nullptr);
        QVSetViewport(0, 0, 800, 600);
        IDirectDrawSurface* front = nullptr;
        IDirectDrawSurface* backBuffer = nullptr;
        QVGetDDInfo(&front, &backBuffer);
        return backBuffer;
    }();
    return back;
}

}  // namespace fuzzing
