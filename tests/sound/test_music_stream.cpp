// Streamed music on the headless clock: the mixed output is compared with the file's data
// frame by frame, so a gap, a repeat, a read past the data or a wrong pad shows up.
#include <atomic>

#include "tests/sound/sound_support.h"

namespace {

using namespace soundtest;

std::atomic<int> g_nextCalls{0};
std::atomic<unsigned long> g_nextId{0};
void onNext(unsigned long id) {
    g_nextId = id;
    ++g_nextCalls;
}

int inUse() {
    int n = 0;
    for (SNDSample* s = QVSound::g_SampleList; s < QVSound::g_pEndSample; ++s)
        if (s->m_dwFlags & SNDF_INUSE) ++n;
    return n;
}

class Stream : public SoundLibraryTest {
protected:
    void SetUp() override {
        SoundLibraryTest::SetUp();
        g_nextCalls = 0;
        g_nextId = 0;
        g_Sound.SetStreamNextFunc(onNext);
    }
    void TearDown() override {
        QVSound::ClearStreamNextStreamFunc();
        SoundLibraryTest::TearDown();
    }

    // 44100 Hz 16-bit stereo music of `frames` distinct frames, with junk after the data
    // chunk that must never be heard.
    std::vector<std::int16_t> music;
    std::string musicFile(std::size_t frames, const std::vector<Chunk>& extra = {}) {
        music = distinctStereo(frames);
        std::vector<Chunk> chunks = {fmtChunk(44100, 16, 2)};
        chunks.insert(chunks.end(), extra.begin(), extra.end());
        chunks.push_back(dataChunk(bytesOf(music)));
        chunks.push_back(Chunk{"junk", Bytes(44100, 0x55)});
        return file("music.wav", riff(chunks));
    }

    // Read once the fill thread is at rest, as the state is shared with it.
    static DWORD flags() {
        platform::threadsWaitUntilIdle(2000);
        return QVSound::GetStreamInfoPtr()->dwFlags;
    }
};

TEST_F(Stream, RingAndSectionSizesFollowTheFormat) {
    struct Case {
        DWORD rate, bits, channels, section, ring;
    };
    const Case cases[] = {{22050, 16, 2, 22052, 176416},
                          {44100, 16, 2, 44100, 352800},
                          {22050, 8, 1, 5512, 44096},
                          {22050, 16, 1, 11026, 88208}};
    for (const Case& c : cases) {
        const std::string path =
            file("s.wav", wav(c.rate, c.bits, c.channels, Bytes(c.channels * c.bits / 8 * 100, 0)));
        ASSERT_EQ(g_Sound.LoadStream(path.c_str(), 5), 1) << c.rate;
        EXPECT_EQ(QVSound::GetStreamInfoPtr()->dwSectionBytes, c.section);
        EXPECT_EQ(QVSound::GetStreamInfoPtr()->dwBufferBytes, c.ring);
        EXPECT_EQ(flags() & (SNDS_LOADED | SNDS_PLAYING), static_cast<DWORD>(SNDS_LOADED));
        EXPECT_EQ(QVSound::GetStreamID(), 5u);
        // Never started: a stop leaves it loaded.
        EXPECT_EQ(g_Sound.StopStream(), 1);
        EXPECT_TRUE(flags() & SNDS_LOADED);
    }
    EXPECT_EQ(inUse(), 1);  // each load replaced the one before
}

TEST_F(Stream, LoopingMusicWrapsWithoutASeam) {
    const std::size_t frames = 3 * 44100;
    ASSERT_EQ(g_Sound.LoadStream(musicFile(frames).c_str(), 0), 1);
    startCapture();
    EXPECT_EQ(g_Sound.PlayStream(SNDS_LOOP), 1);
    EXPECT_TRUE(flags() & SNDS_PLAYING);
    EXPECT_TRUE(flags() & SNDS_LOOP);
    step(700);
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_EQ(out.size(), 700u * 441 * 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], music[i % music.size()]) << "frame " << i / 2;
    EXPECT_EQ(g_nextCalls, 0);
    // Playing again changes nothing.
    EXPECT_EQ(g_Sound.PlayStream(0), 1);
    EXPECT_TRUE(flags() & SNDS_LOOP);
}

TEST_F(Stream, MusicShorterThanTheRingRepeatsOnlyItsData) {
    const std::size_t frames = 44100 / 2 + 123;
    ASSERT_EQ(g_Sound.LoadStream(musicFile(frames).c_str(), 0), 1);
    startCapture();
    g_Sound.PlayStream(SNDS_LOOP);
    step(300);
    const std::vector<std::int16_t> out = finishCapture();
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], music[i % music.size()]) << "frame " << i / 2;
}

TEST_F(Stream, OneShotMusicPlaysOutPadsWithSilenceAndEnds) {
    // 8-bit: silence is 0x80, heard as 0; a pad of 0 bytes would be heard at full scale.
    const std::size_t frames = 44100 + 1234;
    Bytes audio(frames * 2);
    for (std::size_t i = 0; i < audio.size(); ++i)
        audio[i] = static_cast<std::uint8_t>(1 + (i * 7) % 250);
    const std::string path =
        file("m8.wav",
             riff({fmtChunk(44100, 8, 2), dataChunk(audio), Chunk{"junk", Bytes(4000, 0x00)}}));
    ASSERT_EQ(g_Sound.LoadStream(path.c_str(), 42), 1);
    startCapture();
    g_Sound.PlayStream(0);
    int endedAt = -1;
    for (int s = 1; s <= 300; ++s) {
        step();
        if (endedAt < 0 && g_nextCalls > 0) endedAt = s;
    }
    const std::vector<std::int16_t> out = finishCapture();
    ASSERT_EQ(out.size(), 300u * 441 * 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int want = i < audio.size() ? (audio[i] - 128) * 256 : 0;
        ASSERT_EQ(out[i], want) << "frame " << i / 2;
    }
    // It ended once, after the last data was heard, within the padded section.
    EXPECT_EQ(g_nextCalls, 1);
    EXPECT_EQ(g_nextId, 42u);
    const int lastDataStep = static_cast<int>(frames / 441) + 1;
    EXPECT_GE(endedAt, lastDataStep);
    EXPECT_LE(endedAt, 25 * 6 + 1);  // the end of the sixth quarter second
    EXPECT_EQ(flags() & (SNDS_LOADED | SNDS_PLAYING | SNDS_FILLING), 0u);
    EXPECT_EQ(QVSound::GetStreamID(), 0u);
    EXPECT_EQ(QVSound::GetStreamInfoPtr()->pSample, nullptr);
    EXPECT_EQ(QVSound::GetStreamInfoPtr()->hFile, nullptr);
    EXPECT_EQ(inUse(), 0);
}

TEST_F(Stream, PauseKeepsTheStreamAndResumesWhereItStopped) {
    ASSERT_EQ(g_Sound.LoadStream(musicFile(4 * 44100).c_str(), 9), 1);
    startCapture();
    g_Sound.PlayStream(SNDS_LOOP);
    step(137);
    EXPECT_EQ(g_Sound.PauseStream(), 1);
    EXPECT_TRUE(flags() & SNDS_PAUSED);
    step(80);
    EXPECT_TRUE(flags() & SNDS_LOADED);
    EXPECT_EQ(g_nextCalls, 0);
    EXPECT_EQ(g_Sound.PauseStream(), 1);
    EXPECT_FALSE(flags() & SNDS_PAUSED);
    step(300);
    const std::vector<std::int16_t> out = finishCapture();
    const std::size_t before = 137 * 441 * 2, pause = 80 * 441 * 2;
    ASSERT_EQ(out.size(), before + pause + 300 * 441 * 2);
    for (std::size_t i = 0; i < before; ++i) ASSERT_EQ(out[i], music[i]) << i / 2;
    for (std::size_t i = before; i < before + pause; ++i) ASSERT_EQ(out[i], 0) << i / 2;
    for (std::size_t i = before + pause; i < out.size(); ++i)
        ASSERT_EQ(out[i], music[(i - pause) % music.size()]) << "frame " << i / 2;

    // A stop ends a paused stream too.
    g_Sound.PauseStream();
    EXPECT_EQ(g_Sound.StopStream(), 1);
    EXPECT_FALSE(flags() & SNDS_LOADED);
    step();
    EXPECT_EQ(g_nextCalls, 1);
    EXPECT_EQ(g_nextId, 9u);
    EXPECT_EQ(inUse(), 0);
}

TEST_F(Stream, MusicSwitchStopsAndRefusesLoads) {
    const std::string path = musicFile(44100);
    ASSERT_EQ(g_Sound.LoadStream(path.c_str(), 0), 1);
    g_Sound.PlayStream(SNDS_LOOP);
    step(30);
    g_Sound.EnableMusic(0);
    EXPECT_EQ(g_Sound.m_bMusicOn, 0);
    EXPECT_FALSE(flags() & SNDS_LOADED);
    EXPECT_EQ(inUse(), 0);
    EXPECT_EQ(g_Sound.LoadStream(path.c_str(), 0), 0);
    EXPECT_EQ(g_Sound.PlayStream(SNDS_LOOP), 1);
    EXPECT_EQ(g_Sound.StopStream(), 1);
    const std::vector<std::int16_t> out = mix(100);
    for (std::int16_t v : out) ASSERT_EQ(v, 0);
    g_Sound.EnableMusic(1);
    EXPECT_FALSE(flags() & SNDS_LOADED);  // nothing restarts by itself
    EXPECT_EQ(g_Sound.LoadStream(path.c_str(), 0), 1);
}

TEST_F(Stream, ReloadedMusicPlaysOnlyTheNewDataAndKeepsRefilling) {
    // Two pieces whose frames differ everywhere, and a clip quick to load. Each round loads
    // back to back while the last round's piece plays, so a replaced fill thread may not
    // have reached its wait yet; the last piece must then be heard alone past the ring.
    const std::size_t frames = 3 * 44100;
    const std::vector<std::int16_t> pieces[2] = {distinctStereo(frames),
                                                 distinctStereo(frames, 12345)};
    std::string paths[2];
    for (int k = 0; k < 2; ++k)
        paths[k] = file("piece" + std::to_string(k) + ".wav",
                        riff({fmtChunk(44100, 16, 2), dataChunk(bytesOf(pieces[k]))}));
    const std::string clip = file("clip.wav", wav(44100, 16, 2, Bytes(400, 0x11)));
    for (int round = 0; round < 6; ++round) {
        const int k = round % 2;
        ASSERT_EQ(g_Sound.LoadStream(paths[1 - k].c_str(), 21), 1);
        ASSERT_EQ(g_Sound.LoadStream(clip.c_str(), 22), 1);
        ASSERT_EQ(g_Sound.LoadStream(clip.c_str(), 23), 1);
        ASSERT_EQ(g_Sound.LoadStream(paths[k].c_str(), 11 + k), 1);
        EXPECT_EQ(QVSound::GetStreamID(), static_cast<unsigned long>(11 + k));
        startCapture();
        g_Sound.PlayStream(SNDS_LOOP);
        step(250);  // 2.5 s: every section heard once and refilled
        const std::vector<std::int16_t> out = finishCapture();
        ASSERT_EQ(out.size(), 250u * 441 * 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], pieces[k][i % pieces[k].size()])
                << "round " << round << ", frame " << i / 2;
    }
    EXPECT_EQ(g_nextCalls, 0);
    EXPECT_EQ(inUse(), 1);
}

TEST_F(Stream, RefusedFilesLeaveNoStream) {
    // A loop shorter than a quarter second is refused; one of a full section is accepted.
    EXPECT_EQ(g_Sound.LoadStream(musicFile(44100, {smplChunk(100, 1000)}).c_str(), 0), 0);
    EXPECT_EQ(flags() & SNDS_LOADED, 0u);
    EXPECT_EQ(inUse(), 0);
    EXPECT_EQ(g_Sound.LoadStream(musicFile(44100, {smplChunk(0, 11025)}).c_str(), 0), 1);
    g_Sound.StopStream();
    const std::string bad = file("bad.wav", riff({fmtChunk(0, 16, 2), dataChunk({0, 0, 0, 0})}));
    EXPECT_EQ(g_Sound.LoadStream(bad.c_str(), 0), 0);
    EXPECT_EQ(g_Sound.LoadStream((temp.path() / "missing.wav").string().c_str(), 0), 0);
    EXPECT_EQ(flags() & SNDS_LOADED, 0u);
    EXPECT_EQ(inUse(), 0);
}

TEST_F(Stream, VolumeQueriesAndFades) {
    EXPECT_EQ(QVSound::GetStreamVolume(), 0);
    EXPECT_EQ(QVSound::GetStreamID(), 0u);
    EXPECT_EQ(g_Sound.PlayStream(SNDS_LOOP), 1);  // nothing loaded: nothing happens
    EXPECT_EQ(flags() & SNDS_PLAYING, 0u);
    ASSERT_EQ(g_Sound.LoadStream(musicFile(44100).c_str(), 3), 1);
    QVSound::SetStreamVolume(0x7FFF);
    EXPECT_EQ(QVSound::GetStreamVolume(), 0x7FFF);
    g_Sound.FadeMusic(100, 200, 0);
    EXPECT_EQ(QVSound::GetStreamVolume(), 200);
    const DWORD start = GetTickCount();
    g_Sound.FadeMusicIn(30);
    EXPECT_GE(GetTickCount() - start, 30u);
    EXPECT_EQ(QVSound::GetStreamVolume(), 0x8000);
    g_Sound.FadeMusicOut(0);
    EXPECT_EQ(QVSound::GetStreamVolume(), 0);
    EXPECT_EQ(g_Sound.GetStreamNextFunc(), &onNext);
    EXPECT_EQ(g_Sound.SetStreamNextFunc(nullptr), &onNext);
    EXPECT_EQ(g_Sound.GetStreamNextFunc(), nullptr);
}

}  // namespace
