// Shared by the DirectSound tests: a window and a DirectSound object on the headless
// audio device, buffers filled through Lock, and the mixed output read back from the
// headless device's WAV file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/audio/dsound.h"
#include "platform/faults.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

namespace soundtest {

inline LRESULT windowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(h, m, w, l);
}

inline WAVEFORMATEX pcm(DWORD rate, WORD bits, WORD channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

inline std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> b(samples.size() * 2);
    std::memcpy(b.data(), samples.data(), b.size());
    return b;
}

class SoundTest : public ::testing::Test {
protected:
    HWND window = nullptr;
    IDirectSound* ds = nullptr;
    testsupport::TempDir temp;

    void SetUp() override {
        platform::faultClearAll();
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.lpszClassName = "SoundTest";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "SoundTest", "sound", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                 nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
        ASSERT_NE(ds, nullptr);
        ASSERT_EQ(ds->SetCooperativeLevel(window, DSSCL_PRIORITY), DS_OK);
    }

    void TearDown() override {
        if (ds) ds->Release();
        if (window) DestroyWindow(window);
        platform::faultClearAll();
    }

    IDirectSoundBuffer* makeBuffer(DWORD rate, WORD bits, WORD channels, DWORD bytes,
                                   DWORD flags = DSBCAPS_STATIC | DSBCAPS_CTRLPOSITIONNOTIFY) {
        WAVEFORMATEX f = pcm(rate, bits, channels);
        DSBUFFERDESC d{};
        d.dwSize = sizeof d;
        d.dwFlags = flags;
        d.dwBufferBytes = bytes;
        d.lpwfxFormat = &f;
        IDirectSoundBuffer* b = nullptr;
        EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
        return b;
    }

    // Writes `data` at `offset` through Lock and Unlock, both regions when it wraps.
    static void write(IDirectSoundBuffer* b, DWORD offset, const std::vector<std::uint8_t>& data) {
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(offset, static_cast<DWORD>(data.size()), &p1, &n1, &p2, &n2, 0), DS_OK);
        ASSERT_EQ(n1 + n2, data.size());
        std::memcpy(p1, data.data(), n1);
        if (n2) std::memcpy(p2, data.data() + n1, n2);
        ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    }

    static std::vector<std::uint8_t> read(IDirectSoundBuffer* b, DWORD bytes) {
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        std::vector<std::uint8_t> out;
        EXPECT_EQ(b->Lock(0, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
        if (!p1) return out;
        out.assign(static_cast<std::uint8_t*>(p1), static_cast<std::uint8_t*>(p1) + n1);
        b->Unlock(p1, n1, p2, n2);
        return out;
    }

    // Starts capturing the mixed output into a WAV file.
    std::string startCapture(const std::string& name = "mix.wav") {
        std::string path = (temp.path() / name).string();
        platform::audioSetOutputFile(path.c_str());
        return path;
    }

    // Completes the capture and returns its interleaved stereo samples.
    static std::vector<std::int16_t> finishCapture(const std::string& path) {
        platform::audioFinishOutputFile();
        std::ifstream in(path, std::ios::binary);
        std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::int16_t> samples;
        EXPECT_GE(file.size(), 44u);
        if (file.size() < 44) return samples;
        EXPECT_EQ(std::string(file.data(), 4), "RIFF");
        EXPECT_EQ(std::string(file.data() + 36, 4), "data");
        std::uint32_t dataBytes;
        std::memcpy(&dataBytes, file.data() + 40, 4);
        EXPECT_EQ(dataBytes, file.size() - 44);
        std::uint16_t channels;
        std::memcpy(&channels, file.data() + 22, 2);
        EXPECT_EQ(channels, 2);
        samples.resize((file.size() - 44) / 2);
        std::memcpy(samples.data(), file.data() + 44, samples.size() * 2);
        return samples;
    }

    // Mixes `ms` of audio and returns it.
    std::vector<std::int16_t> mix(int ms) {
        std::string path = startCapture();
        platform::audioDeviceAdvance(ms);
        return finishCapture(path);
    }
};

// True when the event is set (and, being auto-reset, clears it).
inline bool signalled(HANDLE e) {
    return WaitForSingleObject(e, 0) == WAIT_OBJECT_0;
}

}  // namespace soundtest
