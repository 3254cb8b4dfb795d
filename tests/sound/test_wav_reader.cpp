// The WAV reader: header check, chunk order, sampler loops, odd chunk sizes, damaged files,
// and the replaceable open and close hooks. No audio device is needed.
#include "tests/sound/sound_support.h"

namespace {

using namespace soundtest;

class WavReader : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    SNDSample sample{};

    std::string file(const Bytes& bytes, const std::string& name = "t.wav") {
        const std::string path = (temp.path() / name).string();
        writeFile(path, bytes);
        return path;
    }

    void TearDown() override {
        QVSound::SetFileOpenFunc(nullptr);
        QVSound::SetFileCloseFunc(nullptr);
    }

    // Opens, expects success and returns the next `n` bytes read from the handle.
    Bytes openAndRead(const std::string& path, DWORD n) {
        void* h = sample.OpenSoundFile(path.c_str());
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        if (h == INVALID_HANDLE_VALUE) return {};
        Bytes got(n);
        DWORD read = 0;
        ReadFile(h, got.data(), n, &read, nullptr);
        got.resize(read);
        CloseHandle(h);
        return got;
    }

    bool refused(const Bytes& bytes) {
        sample = SNDSample{};
        return sample.OpenSoundFile(file(bytes).c_str()) == INVALID_HANDLE_VALUE;
    }
};

TEST_F(WavReader, PlainFileFillsTheFormatAndStopsAtTheData) {
    const Bytes audio = {1, 2, 3, 4, 5, 6, 7, 8};
    const Bytes got = openAndRead(file(wav(22050, 16, 2, audio)), 8);
    EXPECT_EQ(got, audio);
    EXPECT_EQ(sample.m_dwRate, 22050u);
    EXPECT_EQ(sample.m_dwBits, 16u);
    EXPECT_EQ(sample.m_dwChannels, 2u);
    EXPECT_EQ(sample.m_dwLength, 8u);
    EXPECT_TRUE(sample.m_dwFlags & SNDF_FORMAT);
    EXPECT_FALSE(sample.m_dwFlags & SNDF_LOOP);
}

TEST_F(WavReader, ChunksInAnyOrder) {
    const Bytes audio = {9, 8, 7, 6};
    const Chunk list{"LIST", {'a', 'b', 'c', 'd'}};
    const Bytes got = openAndRead(file(riff({dataChunk(audio), fmtChunk(11025, 8, 1), list})), 4);
    EXPECT_EQ(got, audio);
    EXPECT_EQ(sample.m_dwRate, 11025u);
    EXPECT_EQ(sample.m_dwBits, 8u);
    EXPECT_EQ(sample.m_dwChannels, 1u);
    EXPECT_EQ(sample.m_dwLength, 4u);
}

TEST_F(WavReader, SamplerLoopsAreScaledBySampleSize) {
    const Bytes audio(64, 0);
    openAndRead(file(riff({fmtChunk(44100, 16, 2), smplChunk(1000, 5000, 1, 3), dataChunk(audio)})),
                0);
    EXPECT_TRUE(sample.m_dwFlags & SNDF_LOOP);
    EXPECT_EQ(sample.m_dwLoopStart, 4000u);
    EXPECT_EQ(sample.m_dwLoopEnd, 20000u);
    EXPECT_EQ(sample.m_dwLoopCount, 3u);

    sample = SNDSample{};
    openAndRead(file(riff({fmtChunk(22050, 8, 1), dataChunk(audio), smplChunk(1000, 5000)})), 0);
    EXPECT_TRUE(sample.m_dwFlags & SNDF_LOOP);
    EXPECT_EQ(sample.m_dwLoopStart, 2000u);
    EXPECT_EQ(sample.m_dwLoopEnd, 10000u);

    // A sampler chunk without loops, or cut short, gives no loop.
    sample = SNDSample{};
    openAndRead(file(riff({fmtChunk(22050, 8, 1), smplChunk(1000, 5000, 0), dataChunk(audio)})), 0);
    EXPECT_FALSE(sample.m_dwFlags & SNDF_LOOP);
    Chunk cut = smplChunk(1000, 5000);
    cut.body.resize(40);
    sample = SNDSample{};
    openAndRead(file(riff({fmtChunk(22050, 8, 1), cut, dataChunk(audio)})), 0);
    EXPECT_FALSE(sample.m_dwFlags & SNDF_LOOP);
}

TEST_F(WavReader, OddChunksAreSteppedOverByTheirStatedSizeOnly) {
    const Bytes audio = {1, 2, 3, 4};
    const Chunk odd{"junk", {1, 2, 3}};
    EXPECT_EQ(openAndRead(file(riff({fmtChunk(8000, 8, 1), odd, dataChunk(audio)})), 4), audio);
    // With a pad byte after the odd body the next header is misread and "data" is missed.
    Chunk padded = odd;
    padded.body.push_back(0);
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 1), padded, dataChunk(audio)}, {-1, 3})));
}

TEST_F(WavReader, RefusesFilesItCannotUse) {
    const Bytes audio = {0, 0, 0, 0};
    EXPECT_TRUE(refused({}));
    EXPECT_TRUE(refused({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}));
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 1)})));                       // no data
    EXPECT_TRUE(refused(riff({dataChunk(audio)})));                           // no format
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 1, 3), dataChunk(audio)})));  // not PCM
    EXPECT_TRUE(refused(riff({dataChunk(audio), fmtChunk(8000, 8, 1)})));     // fmt ends file
    EXPECT_TRUE(sample.OpenSoundFile((temp.path() / "missing.wav").string().c_str()) ==
                INVALID_HANDLE_VALUE);
}

TEST_F(WavReader, RefusesDamagedSizesAndFormats) {
    const Bytes audio(16, 0x80);
    const Chunk junk{"junk", {1, 2, 3, 4}};
    // A chunk whose stated size runs past the end of the file, before and after "fmt ".
    EXPECT_TRUE(refused(riff({junk, fmtChunk(8000, 8, 1), dataChunk(audio)}, {5000})));
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 1), junk, dataChunk(audio)}, {-1, 0x7FFFFFF0})));
    EXPECT_FALSE(refused(riff({fmtChunk(8000, 8, 1), junk, dataChunk(audio)})));
    // Sizes that would wrap a 32-bit seek backwards.
    EXPECT_TRUE(refused(riff({junk, fmtChunk(8000, 8, 1), dataChunk(audio)}, {0xFFFFFFF8L})));
    // A data chunk larger than the file.
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 1), dataChunk(audio)}, {-1, 17})));
    // Zero channels, rate or bits, and sizes the library cannot play.
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 8, 0), dataChunk(audio)})));
    EXPECT_TRUE(refused(riff({fmtChunk(0, 8, 1), dataChunk(audio)})));
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 0, 1), dataChunk(audio)})));
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 4, 1), dataChunk(audio)})));
    EXPECT_TRUE(refused(riff({fmtChunk(8000, 16, 7), dataChunk(audio)})));
}

// Hooks: an open hook may hand over a handle positioned at a WAV image inside a larger file.
int g_closes = 0;
std::string g_container;
void* openInsideContainer(const char*) {
    HANDLE h = CreateFileA(g_container.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) SetFilePointer(h, 100, nullptr, FILE_BEGIN);
    return h;
}
int countingClose(void* h) {
    ++g_closes;
    return CloseHandle(h);
}

TEST_F(WavReader, HooksOpenAndCloseEveryFile) {
    const Bytes audio = {5, 6, 7, 8};
    Bytes container(100, 0xEE);
    const Bytes image = riff({fmtChunk(8000, 8, 1), dataChunk(audio)});
    container.insert(container.end(), image.begin(), image.end());
    g_container = file(container, "pack.bin");
    g_closes = 0;
    QVSound::SetFileOpenFunc(openInsideContainer);
    QVSound::SetFileCloseFunc(countingClose);
    EXPECT_EQ(openAndRead("any name", 4), audio);
    EXPECT_EQ(g_closes, 0);  // the caller closes a file that was accepted

    Bytes bad(100, 0);
    const Bytes badImage = riff({fmtChunk(8000, 8, 0), dataChunk(audio)});
    bad.insert(bad.end(), badImage.begin(), badImage.end());
    g_container = file(bad, "bad2.bin");
    EXPECT_EQ(sample.OpenSoundFile("any name"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_closes, 1);  // a refused file goes through the close hook
}

}  // namespace
