// The sample pool on the headless clock through the DirectSound stand-in: start-up and
// its failures, the scales, loading, duplicates for overlapping plays, the effect switch,
// loops, chains played by the event thread, stop, pause and freeing.
#include <cmath>

#include "tests/sound/sound_support.h"

namespace {

using namespace soundtest;

// `ms` milliseconds of 44100 Hz 16-bit stereo at a constant level on both sides.
Bytes level(int value, int ms) {
    return bytesOf(std::vector<std::int16_t>(static_cast<std::size_t>(44100 * ms / 1000) * 2,
                                             static_cast<std::int16_t>(value)));
}

int inUse() {
    int n = 0;
    for (SNDSample* s = QVSound::g_SampleList; s < QVSound::g_pEndSample; ++s)
        if (s->m_dwFlags & SNDF_INUSE) ++n;
    return n;
}

// The left-side value of output frame `frame`.
int at(const std::vector<std::int16_t>& out, std::size_t frame) {
    return frame * 2 < out.size() ? out[frame * 2] : -99999;
}

class Samples : public SoundLibraryTest {};

TEST_F(Samples, StartUpLaysOutThePoolAndTheEventTable) {
    EXPECT_EQ(g_Sound.m_nMusicVolume, 0x8000);
    EXPECT_EQ(g_Sound.m_bMusicOn, 1);
    EXPECT_EQ(g_Sound.m_bSFXOn, 1);
    EXPECT_NE(QVSound::GetDSObject(), nullptr);
    EXPECT_NE(QVSound::GetDSPrimaryBuffer(), nullptr);
    EXPECT_TRUE(QVSound::g_DSCaps.dwFlags & DSCAPS_PRIMARYSTEREO);
    EXPECT_EQ(g_Sound.GetLIBVersion(), 1u);
    EXPECT_STREQ(g_Sound.GetLIBDate(), "Fri May  5 06:51:24 2000");
    for (int n : {0, 1, 5, 62, 63, 64, 200}) {
        ASSERT_EQ(g_Sound.Init(window, n), 1) << n;
        EXPECT_EQ(QVSound::g_nMaxEventCount, std::min(n + 1, 64)) << n;
        EXPECT_EQ(QVSound::g_pEndSample - QVSound::g_SampleList, n);
        EXPECT_EQ(QVSound::g_pLastSample, QVSound::g_SampleList);
        // One block: the handles, then the event table, then the pool.
        EXPECT_EQ(static_cast<void*>(QVSound::g_CallBackHandles), GlobalLock(QVSound::g_MemHandle));
        GlobalUnlock(QVSound::g_MemHandle);
        EXPECT_EQ(static_cast<void*>(QVSound::g_EventList),
                  static_cast<void*>(QVSound::g_CallBackHandles + QVSound::g_nMaxEventCount));
        for (int i = 0; i < QVSound::g_nMaxEventCount; ++i)
            EXPECT_NE(QVSound::g_EventList[i].hEvent, nullptr);
    }
    step();
    EXPECT_EQ(QVSound::g_nCallBackThreadActive, 1);
    // Record 0 is the thread's stop signal: never handed out.
    const _SNDEvent* first = QVSound::AllocSoundEvent();
    EXPECT_EQ(first, &QVSound::g_EventList[1]);
    g_Sound.Exit();
    EXPECT_EQ(QVSound::g_nCallBackThreadActive, 0);
    EXPECT_EQ(QVSound::g_lpDSound, nullptr);
    EXPECT_EQ(QVSound::g_SampleList, nullptr);
    ASSERT_EQ(g_Sound.Init(window, 16), 1);
}

TEST_F(Samples, StartUpFailuresReportZeroAndLeaveNothingBehind) {
    const std::string path = file("a.wav", wav(44100, 16, 2, level(1000, 20)));
    g_Sound.Exit();
    for (const char* fault : {"sound-buffer", "sound-device", "global-alloc"}) {
        platform::faultSet(fault, true);
        EXPECT_EQ(g_Sound.Init(window, 8), 0) << fault;
        platform::faultSet(fault, false);
        EXPECT_EQ(QVSound::g_lpDSound, nullptr) << fault;
        EXPECT_EQ(QVSound::g_lpSoundBuffer, nullptr) << fault;
        EXPECT_EQ(QVSound::g_SampleList, nullptr) << fault;
        EXPECT_EQ(QVSound::g_MemHandle, nullptr) << fault;
        // Every sample operation refuses rather than touching a freed block.
        EXPECT_EQ(g_Sound.LoadSample(path.c_str(), 1), 0);
        EXPECT_EQ(g_Sound.PlaySample(1, 0xFFFF, 0x8000), nullptr);
        EXPECT_EQ(QVSound::AllocSoundEvent(), nullptr);
        g_Sound.FlushSamples();
        g_Sound.Exit();
    }
    EXPECT_EQ(g_Sound.Init(window, 16), 1);
}

TEST_F(Samples, VolumeTableAndScales) {
    const std::pair<int, int> table[] = {{0, -10000}, {8192, -1000}, {4096, -2000}, {1024, -4000},
                                         {32, -9000}, {16, -10000},  {1, -10000},   {12288, -415},
                                         {16372, -1}, {16373, 0},    {16383, 0}};
    for (auto [i, v] : table) EXPECT_EQ(QVSound::g_VolumeTable[i], v) << i;
    for (int i = 1; i < 16384; ++i)
        ASSERT_LE(QVSound::g_VolumeTable[i - 1], QVSound::g_VolumeTable[i]) << i;

    const std::pair<int, int> volume[] = {{0xFFFF, 0},     {0x10000, 0}, {0x8000, -1000},
                                          {0x4000, -2000}, {4, -10000},  {0, -10000},
                                          {-5, -10000}};
    for (auto [in, out] : volume) EXPECT_EQ(QVSound::MapVolume(in), out) << in;
    const std::pair<int, int> pan[] = {{0x8000, 0},      {0x7FFF, 0},      {0, 10000},
                                       {-3, 10000},      {0x4000, 1000},   {0xC000, -1000},
                                       {0xFFFF, -10000}, {0x10000, -10000}};
    for (auto [in, out] : pan) EXPECT_EQ(QVSound::MapPan(in), out) << in;
}

TEST_F(Samples, LoadingFillsTheRecordAndALoadedIdentifierIsNotReadAgain) {
    static int opens;
    opens = 0;
    QVSound::SetFileOpenFunc([](const char* name) -> void* {
        ++opens;
        return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    const std::string a = file("a.wav", wav(22050, 8, 1, Bytes(2205, 0x90)));
    const std::string b = file("b.wav", wav(44100, 16, 2, level(5, 10)));
    ASSERT_EQ(g_Sound.LoadSample(a.c_str(), 7), 1);
    EXPECT_EQ(opens, 1);
    SNDSample* s = g_Sound.FindSample(7);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->m_dwLength, 2205u);
    EXPECT_EQ(s->m_dwPlayTime, 100u);
    EXPECT_NE(s->m_lpBuffer, nullptr);
    s->m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);

    EXPECT_EQ(g_Sound.LoadSample(b.c_str(), 7), 1);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(inUse(), 1);
    EXPECT_EQ(s->m_dwRate, 22050u);  // still the first file's sound
    EXPECT_FALSE(s->m_dwFlags & SNDF_CLAIMED);

    // A file that is not a usable WAV returns its record to the pool.
    const std::string bad = file("bad.wav", riff({fmtChunk(8000, 8, 0), dataChunk({1, 2})}));
    EXPECT_EQ(g_Sound.LoadSample(bad.c_str(), 8), 0);
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(inUse(), 1);
}

TEST_F(Samples, OverlappingPlaysMakeADuplicateAndBothSound) {
    const std::string path = file("a.wav", wav(44100, 16, 2, level(1000, 100)));
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 3), 1);
    startCapture();
    SNDSample* first = g_Sound.PlaySample(3, 0xFFFF, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->m_dwFlags & SNDF_CLAIMED);
    step(5);
    SNDSample* second = g_Sound.PlaySample(3, 0xFFFF, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_TRUE(second->m_dwFlags & SNDF_DUPLICATE);
    EXPECT_EQ(second->m_dwID, 3u);
    EXPECT_EQ(second->m_dwLength, first->m_dwLength);
    EXPECT_EQ(inUse(), 2);
    step(20);
    const std::vector<std::int16_t> out = finishCapture();
    // One voice for 50 ms, two until the first ends at 100 ms, then the second alone.
    EXPECT_EQ(at(out, 0), 1000);
    EXPECT_EQ(at(out, 2204), 1000);
    EXPECT_EQ(at(out, 2205), 2000);
    EXPECT_EQ(at(out, 4409), 2000);
    EXPECT_EQ(at(out, 4410), 1000);
    EXPECT_EQ(at(out, 6614), 1000);
    EXPECT_EQ(at(out, 6615), 0);

    // Both idle now: the first is reused, and the finished duplicate is freed by a flush.
    EXPECT_EQ(g_Sound.PlaySample(3, 0xFFFF, 0), first);
    step(11);
    g_Sound.FlushSamples();
    EXPECT_EQ(inUse(), 1);
    EXPECT_FALSE(second->m_dwFlags & SNDF_INUSE);
}

TEST_F(Samples, PlayingWithEffectsOffSoundsNothingAndClaimsNothing) {
    const std::string path = file("a.wav", wav(44100, 16, 2, level(1000, 100)));
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 3), 1);
    g_Sound.EnableSFX(0);
    startCapture();
    SNDSample* s = nullptr;
    for (int i = 0; i < 3; ++i) {
        s = g_Sound.PlaySample(3, 0xFFFF, 0);
        ASSERT_NE(s, nullptr);
        EXPECT_FALSE(s->m_dwFlags & SNDF_CLAIMED);
        EXPECT_EQ(s->PlaySample(0xFFFF, 0), 1);
        EXPECT_EQ(g_Sound.PlaySampleIDOnce(3, 0xFFFF, 0), 1);
    }
    step(5);
    EXPECT_EQ(inUse(), 1);
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_FALSE(out.empty());
    for (std::int16_t v : out) ASSERT_EQ(v, 0);
    g_Sound.EnableSFX(1);
    EXPECT_EQ(g_Sound.PlaySample(3, 0xFFFF, 0), s);
    EXPECT_EQ(s->SamplePlaying(), 1);
}

TEST_F(Samples, SamplerLoopPlaysUntilStoppedAndStopContinuesWhereItStopped) {
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 441; ++i) ramp.insert(ramp.end(), {static_cast<std::int16_t>(i + 1), 0});
    const std::string path = file(
        "loop.wav", riff({fmtChunk(44100, 16, 2), smplChunk(0, 441), dataChunk(bytesOf(ramp))}));
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 4), 1);
    SNDSample* s = g_Sound.PlaySample(4, 0xFFFF, 0x8000);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->m_dwFlags & SNDF_LOOP);
    std::vector<std::int16_t> out = mix(100);
    ASSERT_EQ(out.size(), 4410u * 2);
    for (std::size_t f = 0; f < 4410; ++f) ASSERT_EQ(at(out, f), static_cast<int>(f % 441) + 1);
    EXPECT_EQ(s->SamplePlaying(), 1);
    EXPECT_EQ(s->GetSampleStatus(), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

    // A 10 ms piece is 441 frames; stop, play: it goes on from frame 0 of the next pass.
    EXPECT_EQ(s->StopSample(), 1);
    EXPECT_EQ(s->SamplePlaying(), 0);
    out = mix(10);
    EXPECT_EQ(at(out, 0), 0);

    // Pause part-way through a short one-shot and resume from the saved position.
    const std::string once = file("once.wav", wav(44100, 16, 2, bytesOf(distinctStereo(882))));
    ASSERT_EQ(g_Sound.LoadSample(once.c_str(), 5), 1);
    SNDSample* o = g_Sound.PlaySample(5, 0xFFFF, 0);
    EXPECT_EQ(s->PauseSample(), 1);
    (void)mix(10);
    EXPECT_EQ(o->PauseSample(), 1);
    EXPECT_TRUE(o->m_dwFlags & SNDF_PAUSED);
    EXPECT_EQ(o->m_dwPausePos, 441u * 4);
    out = mix(10);
    EXPECT_EQ(at(out, 0), 0);
    EXPECT_EQ(o->UnPauseSample(), 1);
    EXPECT_EQ(o->UnPauseSample(), 0);  // no longer paused
    out = mix(10);
    const std::vector<std::int16_t> want = distinctStereo(882);
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], want[882 + i]) << i;
}

TEST_F(Samples, AChainPlaysItsSecondSampleWhenTheFirstStops) {
    const std::string a = file("a.wav", wav(44100, 16, 2, level(1000, 50)));
    const std::string b = file("b.wav", wav(44100, 16, 2, level(-2000, 30)));
    ASSERT_EQ(g_Sound.LoadSample(a.c_str(), 1), 1);
    ASSERT_EQ(g_Sound.LoadSample(b.c_str(), 2), 1);
    SNDSample* first = g_Sound.FindSample(1);
    SNDSample* second = g_Sound.FindSample(2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(SNDSample::ChainSample(nullptr, second), second);
    EXPECT_EQ(SNDSample::ChainSample(first, nullptr), nullptr);
    EXPECT_EQ(SNDSample::ChainSample(first, second), first);
    EXPECT_EQ(first->m_pNext, second);
    startCapture();
    ASSERT_EQ(first->PlaySample(0xFFFF, 0x8000), 1);
    EXPECT_TRUE(first->m_dwFlags & SNDF_NOTIFY);
    step(10);
    const std::vector<std::int16_t> out = finishCapture();
    EXPECT_EQ(at(out, 0), 1000);
    EXPECT_EQ(at(out, 2204), 1000);
    EXPECT_EQ(at(out, 2205), -2000);  // the follow-up starts with the next piece
    EXPECT_EQ(at(out, 2205 + 1322), -2000);
    EXPECT_EQ(at(out, 2205 + 1323), 0);
    EXPECT_FALSE(first->m_dwFlags & SNDF_NOTIFY);
    for (int i = 1; i < QVSound::g_nMaxEventCount; ++i)
        EXPECT_EQ(QVSound::g_EventList[i].pSample, nullptr);

    // Stopping the first early starts the follow-up as well; freeing a record with a
    // pending follow-up disarms it.
    ASSERT_EQ(first->PlaySample(0xFFFF, 0x8000), 1);
    step();
    first->StopSample();
    step();
    EXPECT_EQ(second->SamplePlaying(), 1);
    second->StopSample();
    ASSERT_EQ(first->PlaySample(0xFFFF, 0x8000), 1);
    g_Sound.FreeSample(first);
    step(10);
    EXPECT_EQ(second->SamplePlaying(), 0);
}

TEST_F(Samples, FreeingABusySoundByIdentifierLeavesItLoaded) {
    const std::string path = file("a.wav", wav(44100, 16, 2, level(1000, 100)));
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 3), 1);
    SNDSample* s = g_Sound.PlaySample(3, 0xFFFF, 0);
    g_Sound.FreeSample(3ul);
    EXPECT_TRUE(s->m_dwFlags & SNDF_INUSE);
    EXPECT_EQ(s->SamplePlaying(), 1);
    EXPECT_EQ(inUse(), 1);
    step(11);
    g_Sound.FreeSample(3ul);
    EXPECT_EQ(inUse(), 0);
    EXPECT_EQ(g_Sound.FindSample(3), nullptr);
}

class SmallPool : public SoundLibraryTest {
protected:
    int poolSize() const override { return 2; }
};

TEST_F(SmallPool, ExhaustedPoolRefusesLoadsAndDuplicates) {
    const std::string path = file("a.wav", wav(44100, 16, 2, level(1000, 100)));
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 1), 1);
    ASSERT_EQ(g_Sound.LoadSample(path.c_str(), 2), 1);
    EXPECT_EQ(g_Sound.LoadSample(path.c_str(), 3), 0);
    EXPECT_EQ(QVSound::g_pLastSample, QVSound::g_pEndSample);
    ASSERT_NE(g_Sound.PlaySample(1, 0xFFFF, 0), nullptr);
    EXPECT_EQ(g_Sound.PlaySample(1, 0xFFFF, 0), nullptr);  // no room for a duplicate

    // The first free record is taken again; the mark covers the highest record in use.
    SNDSample* one = QVSound::g_SampleList;
    g_Sound.FreeSample(one);
    EXPECT_FALSE(one->m_dwFlags & SNDF_INUSE);
    EXPECT_EQ(QVSound::g_pLastSample, QVSound::g_pEndSample);
    EXPECT_EQ(QVSound::AllocSample(), one);
    EXPECT_EQ(QVSound::AllocSample(), nullptr);
    QVSound::ClearSampleList();
    EXPECT_EQ(QVSound::g_pLastSample, QVSound::g_SampleList);
    EXPECT_EQ(inUse(), 0);
}

}  // namespace
