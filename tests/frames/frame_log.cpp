// A program's real-window build that writes a line for every frame it presents: the time
// (steady clock, microseconds) and a hash of the whole picture shown, to the file FRAME_LOG
// names. The real-window tests read it to see when the picture changed and when frames
// stopped coming.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/backend.h"
#include "platform/display/display.h"

namespace {

std::FILE* frameLog = nullptr;

std::uint64_t pictureHash() {
    IDirectDrawSurface* back = platform::displayBackBuffer();
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (!back || FAILED(back->Lock(nullptr, &desc, DDLOCK_READONLY | DDLOCK_WAIT, nullptr)))
        return 0;
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the rows
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        const auto* row = static_cast<const unsigned char*>(desc.lpSurface) + y * desc.lPitch;
        for (DWORD x = 0; x < desc.dwWidth * 2; ++x) hash = (hash ^ row[x]) * 1099511628211ull;
    }
    back->Unlock(nullptr);
    return hash;
}

void logFrame() {
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    std::fprintf(frameLog, "%lld %016llx\n", static_cast<long long>(now),
                 static_cast<unsigned long long>(pictureHash()));
    std::fflush(frameLog);
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = std::getenv("FRAME_LOG");
    frameLog = path ? std::fopen(path, "w") : nullptr;
    if (frameLog) platform::setFrameObserverForTests(&logFrame);
    const int status = platform::runProgram(argc, argv, &WinMain);
    platform::setFrameObserverForTests(nullptr);
    if (frameLog) std::fclose(frameLog);
    return status;
}
