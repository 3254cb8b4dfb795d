#include "platform/display/window_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <system_error>
#include <vector>

#include "platform/storage/atomic_file.h"
#include "platform/storage/regular_file.h"
#include "platform/storage/user_data.h"
#include "platform/win32/win32.h"

namespace platform {

namespace {
// A remembered window is a few short lines; anything much larger is not one.
constexpr std::size_t kMaxStateBytes = 4096;
}  // namespace

Box defaultWindowBox(const Box& usable, const Box& desktop, int pictureW, int pictureH) {
    // Whole steps of the reduced aspect (4 x 3 for 800 x 600), so that the window's shape is
    // exactly the picture's and no bars show.
    const int g = std::gcd(pictureW, pictureH);
    const int stepW = pictureW / g, stepH = pictureH / g;
    const int roomW = std::max(0, usable.w - kFrameWidth);
    const int roomH = std::max(0, usable.h - kFrameHeight);
    int n = std::min(roomW / stepW, roomH / stepH);
    n = std::max(n, g);  // never smaller than the picture itself
    n = std::min(n, std::min(desktop.w / stepW, desktop.h / stepH));
    Box b;
    b.w = n * stepW;
    b.h = n * stepH;
    b.x = usable.x + (usable.w - b.w - kFrameWidth) / 2;
    b.y = usable.y + (usable.h - b.h - kFrameHeight) / 2;
    b.x = std::max(b.x, desktop.x);
    b.y = std::max(b.y, desktop.y);
    return b;
}

Box pictureBox(int outW, int outH, int pictureW, int pictureH) {
    Box b;
    if (outW <= 0 || outH <= 0 || pictureW <= 0 || pictureH <= 0) return b;
    const long long wide = static_cast<long long>(outW) * pictureH;
    const long long tall = static_cast<long long>(outH) * pictureW;
    if (wide <= tall) {  // the width limits: bars above and below
        b.w = outW;
        b.h = static_cast<int>((static_cast<long long>(outW) * pictureH + pictureW / 2) / pictureW);
    } else {  // the height limits: bars left and right
        b.h = outH;
        b.w = static_cast<int>((static_cast<long long>(outH) * pictureW + pictureH / 2) / pictureH);
    }
    b.x = (outW - b.w) / 2;
    b.y = (outH - b.h) / 2;
    return b;
}

bool isWholeMultiple(const Box& box, int pictureW, int pictureH) {
    return pictureW > 0 && pictureH > 0 && box.w > 0 && box.w % pictureW == 0 &&
           box.h == box.w / pictureW * pictureH;
}

bool outputToPicture(const Box& box, int pictureW, int pictureH, double outX, double outY,
                     int* pictureX, int* pictureY) {
    if (box.w <= 0 || box.h <= 0) {
        if (pictureX) *pictureX = -1;
        if (pictureY) *pictureY = -1;
        return false;
    }
    const int x = static_cast<int>(std::floor((outX - box.x) * pictureW / box.w));
    const int y = static_cast<int>(std::floor((outY - box.y) * pictureH / box.h));
    if (pictureX) *pictureX = x;
    if (pictureY) *pictureY = y;
    return x >= 0 && x < pictureW && y >= 0 && y < pictureH;
}

bool opensFullScreen(const WindowState* remembered, int desktopW, int desktopH) {
    if (remembered) return remembered->fullScreen;
    return desktopW <= kHandheldWidth && desktopH <= kHandheldHeight;
}

std::string windowStatePath() {
    const std::string home = userDataHome();
    return home.empty() ? home : home + "/Gatefold/window.ini";
}

bool loadWindowState(WindowState* state) {
    // Read as every saved file is read: a FIFO or a device there is refused at once.
    std::vector<unsigned char> bytes;
    if (!readRegularFile(windowStatePath(), bytes, kMaxStateBytes)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    long values[5] = {0, 0, 0, 0, 0};
    bool seen[5] = {false, false, false, false, false};
    static const char* const keys[5] = {"x", "y", "width", "height", "fullscreen"};
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        for (int i = 0; i < 5; ++i) {
            if (key != keys[i]) continue;
            char* end = nullptr;
            const long v = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || (*end != '\0' && *end != '\r')) return false;
            values[i] = v;
            seen[i] = true;
        }
    }
    for (bool s : seen)
        if (!s) return false;
    // A window from a sane desktop only: anything else is a damaged file.
    constexpr long kLimit = 1 << 15;
    if (values[2] < 160 || values[3] < 120 || values[2] > kLimit || values[3] > kLimit)
        return false;
    if (std::labs(values[0]) > kLimit || std::labs(values[1]) > kLimit) return false;
    if (values[4] != 0 && values[4] != 1) return false;
    if (!state) return true;
    state->window = Box{static_cast<int>(values[0]), static_cast<int>(values[1]),
                        static_cast<int>(values[2]), static_cast<int>(values[3])};
    state->fullScreen = values[4] == 1;
    return true;
}

bool saveWindowState(const WindowState& state) {
    const std::string path = windowStatePath();
    if (path.empty()) {
        SetLastError(ERROR_BAD_ENVIRONMENT);
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (ec) return false;
    char text[160];
    const int n = std::snprintf(
        text, sizeof text, "[window]\nx=%d\ny=%d\nwidth=%d\nheight=%d\nfullscreen=%d\n",
        state.window.x, state.window.y, state.window.w, state.window.h, state.fullScreen ? 1 : 0);
    if (n <= 0 || n >= static_cast<int>(sizeof text)) return false;
    return writeFileAtomically(path, text, static_cast<size_t>(n));
}

}  // namespace platform
