// The streamed-music pairing on the headless clock: a two-second ring of eight
// quarter-second sections, filled completely at start, played from byte 1, and refilled
// one section (the one just played) per notification after the first. The mixed output
// must be the file's data without a gap or a repeat.
#include <atomic>
#include <thread>

#include "tests/platform/audio/sound_test_support.h"

namespace {

using soundtest::bytesOf;
using soundtest::signalled;
using soundtest::SoundTest;

constexpr DWORD kSection = 44100;  // a quarter second of 44100 Hz 16-bit stereo
constexpr DWORD kRing = 8 * kSection;

// Eight seconds of distinct stereo frames: the "file".
std::vector<std::uint8_t> fileData() {
    std::vector<std::int16_t> s;
    for (int i = 0; i < 8 * 44100; ++i) {
        s.push_back(static_cast<std::int16_t>((i * 37) % 65536 - 32768));
        s.push_back(static_cast<std::int16_t>(i % 20000));
    }
    return bytesOf(s);
}

class Stream : public SoundTest {
protected:
    std::vector<std::uint8_t> file = fileData();
    std::size_t fileRead = 0;
    IDirectSoundBuffer* ring = nullptr;
    IDirectSoundNotify* notify = nullptr;
    HANDLE events[9] = {};
    bool primed = false;

    void SetUp() override {
        SoundTest::SetUp();
        ring = makeBuffer(44100, 16, 2, kRing);
        void* p = nullptr;
        ASSERT_EQ(ring->QueryInterface(IID_IDirectSoundNotify, &p), DS_OK);
        notify = static_cast<IDirectSoundNotify*>(p);
        DSBPOSITIONNOTIFY pos[9];
        for (int i = 0; i < 9; ++i) {
            events[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            pos[i] = {i < 8 ? i * kSection : DSBPN_OFFSETSTOP, events[i]};
        }
        ASSERT_EQ(notify->SetNotificationPositions(9, pos), DS_OK);
        // The first fill: the whole ring.
        write(ring, 0, std::vector<std::uint8_t>(file.begin(), file.begin() + kRing));
        fileRead = kRing;
    }

    void TearDown() override {
        if (notify) notify->Release();
        if (ring) ring->Release();
        for (HANDLE e : events) CloseHandle(e);
        SoundTest::TearDown();
    }

    // The refill for event i: the first one is ignored, then section i - 1 is refilled.
    void refill(int i) {
        if (!primed) {
            primed = true;
            return;
        }
        const DWORD section = static_cast<DWORD>((i + 7) % 8);
        ASSERT_LE(fileRead + kSection, file.size());
        write(ring, section * kSection,
              std::vector<std::uint8_t>(
                  file.begin() + static_cast<std::ptrdiff_t>(fileRead),
                  file.begin() + static_cast<std::ptrdiff_t>(fileRead + kSection)));
        fileRead += kSection;
    }

    void expectOutputIsFile(const std::vector<std::int16_t>& out) {
        std::vector<std::int16_t> want(file.size() / 2);
        std::memcpy(want.data(), file.data(), file.size());
        ASSERT_LE(out.size(), want.size());
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], want[i]) << "sample " << i << " (frame " << i / 2 << ")";
    }
};

TEST_F(Stream, OneNotificationPerBoundaryInOrderAndSeamlessOutput) {
    std::string path = startCapture();
    ASSERT_EQ(ring->SetCurrentPosition(1), DS_OK);
    ASSERT_EQ(ring->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<std::pair<int, int>> seen;  // (step, event)
    auto poll = [&](int step) {
        for (int i = 0; i < 9; ++i)
            if (signalled(events[i])) {
                seen.push_back({step, i});
                if (i < 8) refill(i);
            }
    };
    poll(0);
    // 4.5 seconds in 10 ms steps of 441 frames; a section is 25 steps.
    for (int step = 1; step <= 450; ++step) {
        platform::audioDeviceAdvance(10);
        poll(step);
    }
    std::vector<std::pair<int, int>> want = {{0, 0}};
    for (int b = 1; b <= 18; ++b) want.push_back({25 * b, b % 8});
    EXPECT_EQ(seen, want);
    std::vector<std::int16_t> out = finishCapture(path);
    ASSERT_EQ(out.size(), 450u * 441 * 2);
    expectOutputIsFile(out);

    ASSERT_EQ(ring->Stop(), DS_OK);
    EXPECT_TRUE(signalled(events[8]));
}

// The same pairing with a fill thread waiting on all nine events, as the sound library
// runs it, while another thread reads the ring's state: clean under ThreadSanitizer.
TEST_F(Stream, FillThreadRefillsWhileTheMixerRuns) {
    std::atomic<int> handled{0};
    std::atomic<bool> done{false};
    std::thread filler([&] {
        for (;;) {
            DWORD r = WaitForMultipleObjects(9, events, FALSE, INFINITE);
            if (r == WAIT_OBJECT_0 + 8 || r == WAIT_FAILED) break;
            refill(static_cast<int>(r - WAIT_OBJECT_0));
            ++handled;
        }
    });
    std::thread watcher([&] {
        while (!done) {
            DWORD status = 0, play = 0, write = 0;
            ring->GetStatus(&status);
            ring->GetCurrentPosition(&play, &write);
            std::this_thread::yield();
        }
    });
    std::string path = startCapture();
    ASSERT_EQ(ring->SetCurrentPosition(1), DS_OK);
    ASSERT_EQ(ring->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    auto waitFor = [&](int n) {
        for (int spin = 0; handled < n && spin < 200000; ++spin) std::this_thread::yield();
        return handled.load();
    };
    ASSERT_EQ(waitFor(1), 1);
    for (int step = 1; step <= 400; ++step) {
        platform::audioDeviceAdvance(10);
        // Boundaries crossed so far, one per 25 steps, plus the notification at start.
        ASSERT_EQ(waitFor(1 + step / 25), 1 + step / 25) << "step " << step;
    }
    std::vector<std::int16_t> out = finishCapture(path);
    ASSERT_EQ(ring->Stop(), DS_OK);
    filler.join();
    done = true;
    watcher.join();
    expectOutputIsFile(out);
}

}  // namespace
