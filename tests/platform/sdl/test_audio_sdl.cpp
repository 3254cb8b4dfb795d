// The sdl audio device (SDL's dummy driver, which paces its thread as a sound card would):
// after a few seconds of silence it sleeps, its thread gone, and the next sound wakes it and
// plays to its end.
#include <dirent.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/platform/audio/sound_test_support.h"

namespace {

using namespace std::chrono;

// The threads of this process that SDL runs for an audio device.
int sdlAudioThreads() {
    int n = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return -1;
    while (dirent* e = readdir(tasks)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("SDLAudio", 0) == 0) ++n;
    }
    closedir(tasks);
    return n;
}

template <typename F>
bool within(milliseconds limit, F done) {
    const auto until = steady_clock::now() + limit;
    while (!done()) {
        if (steady_clock::now() > until) return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

using SdlSound = soundtest::SoundTest;

TEST_F(SdlSound, TheDeviceSleepsInSilenceAndTheNextSoundWakesItAndPlaysToItsEnd) {
    ASSERT_TRUE(within(milliseconds(1000), [] { return sdlAudioThreads() == 1; }))
        << "the device runs while the program may play";
    EXPECT_TRUE(within(milliseconds(5000), [] { return sdlAudioThreads() == 0; }))
        << "no audio thread after seconds of silence";

    // A tenth of a second of sound: it must be mixed to its end, so the device wakes.
    IDirectSoundBuffer* b = makeBuffer(22050, 16, 1, 4410);
    ASSERT_NE(b, nullptr);
    write(b, 0, soundtest::bytesOf(std::vector<std::int16_t>(2205, 8000)));
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    DWORD status = 0;
    EXPECT_TRUE(within(milliseconds(2000), [&] {
        b->GetStatus(&status);
        return (status & DSBSTATUS_PLAYING) == 0;
    })) << "the sound never finished: the device stayed asleep";
    EXPECT_EQ(sdlAudioThreads(), 1) << "awake again";
    b->Release();
}

}  // namespace
