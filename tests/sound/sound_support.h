// Shared by the sound library's tests: WAV files built chunk by chunk, and a fixture that
// starts the library on the headless audio device, drives the virtual clock 10 ms at a
// time and reads the mixed output back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/faults.h"
#include "platform/win32/threads_internal.h"
#include "platform/win32/win32.h"
#include "sound/qv_sound.h"
#include "tests/support/temp_dir.h"

namespace soundtest {

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string id;  // four characters
    Bytes body;
};

inline void put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

inline Chunk fmtChunk(std::uint32_t rate, unsigned bits, unsigned channels, unsigned tag = 1) {
    Chunk c{"fmt ", {}};
    put16(c.body, tag);
    put16(c.body, channels);
    put32(c.body, rate);
    put32(c.body, rate * channels * bits / 8);
    put16(c.body, channels * bits / 8);
    put16(c.body, bits);
    return c;
}

inline Chunk dataChunk(const Bytes& audio) {
    return Chunk{"data", audio};
}

// A sampler chunk with `loops` loop records, the first from `start` to `end` (in samples).
inline Chunk smplChunk(std::uint32_t start, std::uint32_t end, std::uint32_t loops = 1,
                       std::uint32_t playCount = 0) {
    Chunk c{"smpl", {}};
    for (int i = 0; i < 7; ++i) put32(c.body, 0);
    put32(c.body, loops);
    put32(c.body, 0);
    for (std::uint32_t l = 0; l < loops; ++l) {
        put32(c.body, l);  // cue point
        put32(c.body, 0);  // type
        put32(c.body, start);
        put32(c.body, end);
        put32(c.body, 0);  // fraction
        put32(c.body, playCount);
    }
    return c;
}

// "RIFF", size, "WAVE", then the chunks as given; `sizes` overrides stated body sizes.
inline Bytes riff(const std::vector<Chunk>& chunks, const std::vector<long>& sizes = {}) {
    Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        out.insert(out.end(), chunks[i].id.begin(), chunks[i].id.end());
        const long size =
            i < sizes.size() && sizes[i] >= 0 ? sizes[i] : static_cast<long>(chunks[i].body.size());
        put32(out, static_cast<std::uint32_t>(size));
        out.insert(out.end(), chunks[i].body.begin(), chunks[i].body.end());
    }
    const auto total = static_cast<std::uint32_t>(out.size() - 8);
    std::memcpy(out.data() + 4, &total, 4);
    return out;
}

inline Bytes wav(std::uint32_t rate, unsigned bits, unsigned channels, const Bytes& audio) {
    return riff({fmtChunk(rate, bits, channels), dataChunk(audio)});
}

inline Bytes bytesOf(const std::vector<std::int16_t>& samples) {
    Bytes b(samples.size() * 2);
    std::memcpy(b.data(), samples.data(), b.size());
    return b;
}

// Distinct 16-bit stereo frames, frame i: left 7i + 11, right -(3i) - 5 (wrapping).
inline std::vector<std::int16_t> distinctStereo(std::size_t frames, int seed = 0) {
    std::vector<std::int16_t> s;
    s.reserve(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>((7 * (i + seed) + 11) % 60000 - 30000));
        s.push_back(static_cast<std::int16_t>(-static_cast<int>((3 * (i + seed)) % 30000) - 5));
    }
    return s;
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline LRESULT windowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(h, m, w, l);
}

// The library started on a window with a pool of `poolSize()` records; shut down after.
class SoundLibraryTest : public ::testing::Test {
protected:
    HWND window = nullptr;
    testsupport::TempDir temp;
    std::string capturePath;

    virtual int poolSize() const { return 16; }

    void SetUp() override {
        platform::faultClearAll();
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.lpszClassName = "SoundLibraryTest";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "SoundLibraryTest", "sound", WS_POPUP, 0, 0, 64, 64, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(g_Sound.Init(window, poolSize()), 1);
    }

    void TearDown() override {
        if (!capturePath.empty()) platform::audioFinishOutputFile();
        g_Sound.Exit();
        platform::threadsWaitUntilIdle(2000);
        if (window) DestroyWindow(window);
        platform::faultClearAll();
    }

    std::string file(const std::string& name, const Bytes& bytes) {
        const std::string path = (temp.path() / name).string();
        writeFile(path, bytes);
        return path;
    }

    // One frame of virtual time: 10 ms mixed, then the library's threads back at rest.
    static void step(int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            platform::audioDeviceAdvance(10);
            platform::threadsWaitUntilIdle(2000);
        }
    }

    void startCapture() {
        capturePath = (temp.path() / "mix.wav").string();
        platform::audioSetOutputFile(capturePath.c_str());
    }

    // The interleaved stereo samples mixed since startCapture.
    std::vector<std::int16_t> finishCapture() {
        platform::audioFinishOutputFile();
        std::ifstream in(capturePath, std::ios::binary);
        capturePath.clear();
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples;
        if (bytes.size() < 44) return samples;
        samples.resize((bytes.size() - 44) / 2);
        std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
        return samples;
    }

    // Mixes `ms` milliseconds (a multiple of 10) and returns them.
    std::vector<std::int16_t> mix(int ms) {
        startCapture();
        step(ms / 10);
        return finishCapture();
    }
};

}  // namespace soundtest
