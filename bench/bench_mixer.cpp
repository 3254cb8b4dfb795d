// Cost of the software mixer: 1, 16 and 64 looping voices of 22050 Hz 16-bit mono mixed
// into 44100 Hz stereo on the headless device, and the game's music streamed from its file
// (the fill thread's reading and copying included). The budget is 10 ms of one core per
// second of audio ("cpu_ms_per_audio_s").
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/audio_device.h"
#include "platform/audio/dsound.h"
#include "platform/win32/threads_internal.h"
#include "sound/qv_sound.h"

namespace {

void BM_Mix64Voices(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    IDirectSound* ds = nullptr;
    if (DirectSoundCreate(nullptr, &ds, nullptr) != DS_OK) {
        state.SkipWithError("no DirectSound");
        return;
    }
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 22050;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 44100;
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLPOSITIONNOTIFY;
    d.dwBufferBytes = 44100;  // one second
    d.lpwfxFormat = &f;
    std::vector<IDirectSoundBuffer*> buffers;
    for (int v = 0; v < voices; ++v) {
        IDirectSoundBuffer* b = nullptr;
        if (ds->CreateSoundBuffer(&d, &b, nullptr) != DS_OK) break;
        void *p1 = nullptr, *p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        b->Lock(0, d.dwBufferBytes, &p1, &n1, &p2, &n2, 0);
        auto* s = static_cast<std::int16_t*>(p1);
        for (DWORD i = 0; i < n1 / 2; ++i)
            s[i] = static_cast<std::int16_t>(2000 * std::sin(i * (0.01 + 0.001 * v)));
        b->Unlock(p1, n1, p2, n2);
        // Spread the voices over the buffer so they do not all sit on the same frames.
        b->SetCurrentPosition(static_cast<DWORD>(v * 688) % d.dwBufferBytes & ~1u);
        b->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(b);
    }
    for (auto _ : state) platform::audioDeviceAdvance(10);
    // Each iteration is 10 ms of audio: seconds per iteration x 100 x 1000.
    state.counters["cpu_ms_per_audio_s"] = benchmark::Counter(
        1e-5, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    for (IDirectSoundBuffer* b : buffers) b->Release();
    ds->Release();
}
BENCHMARK(BM_Mix64Voices)->Arg(1)->Arg(16)->Arg(64);

LRESULT CALLBACK plainWindowProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(hwnd, m, w, l);
}

// Starts the game's music, looping, as the game plays it; once per process (the library
// is set up once, as in the programs). False when it cannot be played.
bool startMusic() {
    static const bool playing = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainWindowProc;
        wc.lpszClassName = "MixerBench";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "MixerBench", "bench", 0, 0, 0, 8, 8, nullptr, nullptr,
                                      nullptr, nullptr);
        return g_Sound.Init(window, 8) == 1 &&
               g_Sound.LoadStream(STUDIO_TINTARO_DIR "/sounds/music.wav", 0) == 1 &&
               g_Sound.PlayStream(SNDS_LOOP) == 1;
    }();
    return playing;
}

// Each iteration mixes 10 ms of the music and waits for the fill thread to finish any
// refill that mix asked for.
void BM_MixMusicStream(benchmark::State& state) {
    if (!startMusic()) {
        state.SkipWithError("no music stream");
        return;
    }
    for (auto _ : state) {
        platform::audioDeviceAdvance(10);
        platform::threadsWaitUntilIdle(2000);
    }
    state.counters["cpu_ms_per_audio_s"] = benchmark::Counter(
        1e-5, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixMusicStream)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
