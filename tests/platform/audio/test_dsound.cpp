// DirectSound objects and buffers on the headless clock: creation and faults, the
// primary buffer, refused controls, Lock regions, play state, duplicates and
// notifications.
#include <fstream>
#include <sstream>

#include "platform/transcript.h"
#include "tests/platform/audio/sound_test_support.h"

namespace {

using soundtest::signalled;
using soundtest::SoundTest;

TEST_F(SoundTest, CapsReportStereoAndSixteenBitPrimary) {
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(ds->GetCaps(&caps), DS_OK);
    EXPECT_TRUE(caps.dwFlags & DSCAPS_PRIMARYSTEREO);
    EXPECT_TRUE(caps.dwFlags & DSCAPS_PRIMARY16BIT);
    DSCAPS bad{};
    bad.dwSize = 4;
    EXPECT_EQ(ds->GetCaps(&bad), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->Compact(), DS_OK);
}

TEST_F(SoundTest, InjectedFaultsFailCreation) {
    platform::faultSet("sound-device", true);
    IDirectSound* other = reinterpret_cast<IDirectSound*>(1);
    EXPECT_EQ(DirectSoundCreate(nullptr, &other, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(other, nullptr);
    platform::faultSet("sound-device", false);

    platform::faultSet("sound-buffer", true);
    WAVEFORMATEX f = soundtest::pcm(22050, 16, 1);
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_STATIC;
    d.dwBufferBytes = 100;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = reinterpret_cast<IDirectSoundBuffer*>(1);
    EXPECT_TRUE(FAILED(ds->CreateSoundBuffer(&d, &b, nullptr)));
    EXPECT_EQ(b, nullptr);
    platform::faultSet("sound-buffer", false);
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    b->Release();
}

TEST_F(SoundTest, CreationRefusesBadDescriptions) {
    IDirectSoundBuffer* b = nullptr;
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(ds->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);  // no format
    WAVEFORMATEX f = soundtest::pcm(22050, 12, 1);
    d.lpwfxFormat = &f;
    d.dwBufferBytes = 100;
    EXPECT_TRUE(FAILED(ds->CreateSoundBuffer(&d, &b, nullptr)));
    f = soundtest::pcm(22050, 16, 2);
    d.dwBufferBytes = 0;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    d.dwBufferBytes = 100;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
}

TEST_F(SoundTest, PrimaryBufferTakesFormatAtPriorityLevelAndPlaysLooping) {
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    WAVEFORMATEX f = soundtest::pcm(22050, 16, 2);
    ASSERT_EQ(ds->SetCooperativeLevel(window, DSSCL_NORMAL), DS_OK);
    EXPECT_EQ(primary->SetFormat(&f), DSERR_PRIOLEVELNEEDED);
    ASSERT_EQ(ds->SetCooperativeLevel(window, DSSCL_EXCLUSIVE), DS_OK);
    EXPECT_EQ(primary->SetFormat(&f), DS_OK);
    EXPECT_EQ(primary->Play(0, 0, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(primary->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    DWORD status = 0;
    ASSERT_EQ(primary->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
    void* p = nullptr;
    DWORD n = 0;
    EXPECT_TRUE(FAILED(primary->Lock(0, 4, &p, &n, nullptr, nullptr, 0)));
    EXPECT_EQ(primary->Stop(), DS_OK);
    primary->Release();
}

TEST_F(SoundTest, ControlsAreRefusedWithoutTheirFlags) {
    IDirectSoundBuffer* plain = makeBuffer(22050, 16, 1, 1000);
    EXPECT_EQ(plain->SetVolume(-1000), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(1000), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
    plain->Release();

    IDirectSoundBuffer* full = makeBuffer(
        22050, 16, 1, 1000, DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY);
    EXPECT_EQ(full->SetVolume(-1000), DS_OK);
    EXPECT_EQ(full->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetPan(DSBPAN_LEFT), DS_OK);
    EXPECT_EQ(full->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(full->SetFrequency(11025), DS_OK);
    EXPECT_EQ(full->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(full->SetFrequency(50), DSERR_INVALIDPARAM);
    // Without position notification the notify interface is not offered.
    void* notify = reinterpret_cast<void*>(1);
    EXPECT_EQ(full->QueryInterface(IID_IDirectSoundNotify, &notify), E_NOINTERFACE);
    EXPECT_EQ(notify, nullptr);
    full->Release();
}

TEST_F(SoundTest, LockAcrossTheEndGivesTwoRegions) {
    IDirectSoundBuffer* b = makeBuffer(22050, 8, 1, 100);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(90, 30, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 10u);
    EXPECT_EQ(n2, 20u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(static_cast<std::uint8_t*>(p2) + 90, static_cast<std::uint8_t*>(p1));
    std::memset(p1, 0xAA, n1);
    std::memset(p2, 0x55, n2);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

    std::vector<std::uint8_t> all = read(b, 100);
    ASSERT_EQ(all.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        const std::uint8_t want = i < 20 ? 0x55 : (i >= 90 ? 0xAA : 0);
        ASSERT_EQ(all[i], want) << "byte " << i;
    }
    // A range inside the buffer is one region.
    ASSERT_EQ(b->Lock(10, 20, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 20u);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(p2, nullptr);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    EXPECT_EQ(b->Lock(100, 1, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 101, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    char elsewhere[4];
    EXPECT_EQ(b->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
    b->Release();
}

TEST_F(SoundTest, PlayStateStatusAndPosition) {
    // 1000 frames of 44100 Hz 16-bit mono, about 22.7 ms.
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 1, 2000);
    DWORD status = 99;
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(b->Play(1, 0, 0), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    b->GetStatus(&status);
    EXPECT_EQ(status, DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
    platform::audioDeviceAdvance(10);  // 441 frames
    DWORD play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 882u);
    ASSERT_EQ(b->Stop(), DS_OK);
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    platform::audioDeviceAdvance(10);
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 882u) << "a stopped buffer keeps its position";

    // Played once from there, it runs out and rewinds.
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    b->GetStatus(&status);
    EXPECT_EQ(status, DWORD{DSBSTATUS_PLAYING});
    platform::audioDeviceAdvance(20);
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);

    EXPECT_EQ(b->SetCurrentPosition(2000), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetCurrentPosition(1001), DS_OK);
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 1000u) << "positions fall to whole frames";
    b->Release();
}

class Notified : public SoundTest {
protected:
    std::vector<HANDLE> events;
    void SetUp() override {
        SoundTest::SetUp();
        for (int i = 0; i < 5; ++i) events.push_back(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    }
    void TearDown() override {
        for (HANDLE e : events) CloseHandle(e);
        SoundTest::TearDown();
    }
    IDirectSoundNotify* notifyOf(IDirectSoundBuffer* b) {
        void* p = nullptr;
        EXPECT_EQ(b->QueryInterface(IID_IDirectSoundNotify, &p), DS_OK);
        return static_cast<IDirectSoundNotify*>(p);
    }
    // Which of the events are set now, as a list of indices.
    std::vector<int> fired() {
        std::vector<int> out;
        for (int i = 0; i < static_cast<int>(events.size()); ++i)
            if (signalled(events[i])) out.push_back(i);
        return out;
    }
};

TEST_F(Notified, EachOffsetOncePerPassInOrder) {
    // One second of 44100 Hz 16-bit mono, marks at each quarter (given out of order).
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 1, 88200);
    IDirectSoundNotify* n = notifyOf(b);
    DSBPOSITIONNOTIFY pos[] = {{44100, events[2]},
                               {0, events[0]},
                               {22050, events[1]},
                               {66150, events[3]},
                               {DSBPN_OFFSETSTOP, events[4]}};
    ASSERT_EQ(n->SetNotificationPositions(5, pos), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(fired(), std::vector<int>{0}) << "starting at 0 reaches offset 0 at once";

    // A quarter second is 11025 frames: exactly 25 steps of 10 ms (441 frames each).
    std::vector<std::pair<int, int>> seen;  // (step, event)
    for (int step = 1; step <= 200; ++step) {
        platform::audioDeviceAdvance(10);
        for (int e : fired()) seen.push_back({step, e});
    }
    const std::vector<std::pair<int, int>> want = {{25, 1},  {50, 2},  {75, 3},  {100, 0},
                                                   {125, 1}, {150, 2}, {175, 3}, {200, 0}};
    EXPECT_EQ(seen, want);
    EXPECT_EQ(n->SetNotificationPositions(5, pos), DSERR_INVALIDCALL) << "refused while playing";
    ASSERT_EQ(b->Stop(), DS_OK);
    EXPECT_EQ(fired(), std::vector<int>{4});
    ASSERT_EQ(b->Stop(), DS_OK);
    EXPECT_TRUE(fired().empty()) << "stopping a stopped buffer is no stop";

    DSBPOSITIONNOTIFY outside = {88200, events[0]};
    EXPECT_EQ(n->SetNotificationPositions(1, &outside), DSERR_INVALIDPARAM);
    DSBPOSITIONNOTIFY noEvent = {0, nullptr};
    EXPECT_EQ(n->SetNotificationPositions(1, &noEvent), DSERR_INVALIDPARAM);
    n->Release();
    b->Release();
}

TEST_F(Notified, PlayFromAPositionReachesTheLastOffsetBeforeIt) {
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 1, 88200);
    IDirectSoundNotify* n = notifyOf(b);
    DSBPOSITIONNOTIFY pos[] = {{0, events[0]}, {22050, events[1]}, {44100, events[2]}};
    ASSERT_EQ(n->SetNotificationPositions(3, pos), DS_OK);
    ASSERT_EQ(b->SetCurrentPosition(30000), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(fired(), std::vector<int>{1});
    platform::audioDeviceAdvance(10);
    EXPECT_TRUE(fired().empty());
    n->Release();
    b->Release();
}

TEST_F(Notified, StopEventAtTheEndOfANonLoopingBuffer) {
    // 982 frames: the end falls inside the third 10 ms step.
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 1, 1764 + 200);
    IDirectSoundNotify* n = notifyOf(b);
    DSBPOSITIONNOTIFY stop = {DSBPN_OFFSETSTOP, events[4]};
    ASSERT_EQ(n->SetNotificationPositions(1, &stop), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    platform::audioDeviceAdvance(10);
    platform::audioDeviceAdvance(10);
    EXPECT_TRUE(fired().empty());
    platform::audioDeviceAdvance(10);
    EXPECT_EQ(fired(), std::vector<int>{4});
    DWORD status = 1;
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    n->Release();
    // The notify interface holds the buffer: releasing both frees it (no crash, no leak
    // under the sanitizers).
    b->Release();
}

TEST_F(Notified, DuplicatesShareBytesAndKeepTheirOwnState) {
    IDirectSoundBuffer* original = makeBuffer(44100, 8, 1, 1000);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(original, &copy), DS_OK);
    ASSERT_NE(copy, nullptr);
    write(copy, 0, std::vector<std::uint8_t>(10, 0x11));
    write(original, 500, std::vector<std::uint8_t>(10, 0x22));
    EXPECT_EQ(read(original, 1000), read(copy, 1000));
    EXPECT_EQ(read(original, 1)[0], 0x11);

    ASSERT_EQ(original->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    platform::audioDeviceAdvance(10);
    DWORD status = 0, play = 0;
    copy->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    copy->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u);
    // The duplicate's notifications are its own.
    IDirectSoundNotify* n = notifyOf(copy);
    DSBPOSITIONNOTIFY stop = {DSBPN_OFFSETSTOP, events[4]};
    ASSERT_EQ(n->SetNotificationPositions(1, &stop), DS_OK);
    original->Stop();
    EXPECT_TRUE(fired().empty());
    n->Release();
    // Releasing the original leaves the duplicate's bytes in place.
    original->Release();
    EXPECT_EQ(read(copy, 1)[0], 0x11);
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    copy->Release();

    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    IDirectSoundBuffer* bad = nullptr;
    EXPECT_EQ(ds->DuplicateSoundBuffer(primary, &bad), DSERR_INVALIDCALL);
    primary->Release();
}

TEST_F(SoundTest, StartingABufferWritesTheTranscript) {
    std::string path = (temp.path() / "t.tsv").string();
    ASSERT_TRUE(platform::transcriptOpen(path));
    IDirectSoundBuffer* b = makeBuffer(22050, 16, 1, 4410);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);  // already playing: not a new start
    platform::transcriptClose();
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "sound\t4410\n");
    b->Release();
}

TEST_F(SoundTest, BuffersOutlivingTheirDeviceRefusePlay) {
    IDirectSoundBuffer* b = makeBuffer(22050, 16, 1, 1000);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ds->Release();
    ds = nullptr;
    DWORD status = 1;
    b->GetStatus(&status);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_INVALIDCALL);
    platform::audioDeviceAdvance(10);
    b->Release();
}

}  // namespace
