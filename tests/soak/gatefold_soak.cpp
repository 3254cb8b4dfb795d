// Gatefold's headless build counting its presented frames, so that scripts/soak reports how
// many frames really ran. Same options as Gatefold-headless.
#include <cstdio>

#include "platform/backend.h"

namespace {

long frames = 0;

void countFrame() {
    ++frames;
}

}  // namespace

int main(int argc, char** argv) {
    platform::setFrameObserverForTests(&countFrame);
    const int status = platform::runProgram(argc, argv, &WinMain);
    platform::setFrameObserverForTests(nullptr);
    std::fprintf(stderr, "soak: %ld frames\n", frames);
    return status;
}
