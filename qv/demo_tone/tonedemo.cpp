// The tone demo: a window, DirectSound with its primary buffer, and one second of a
// 440 Hz sine in a secondary buffer played looping for two passes (about two seconds).
// A notification at the start of the buffer counts the passes, so the demo follows the
// audio clock: real time on the sdl backend, the virtual clock on the headless one.
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/audio/audio_device.h"
#include "platform/audio/dsound.h"
#include "platform/backend.h"
#include "platform/win32/win32.h"

namespace {

constexpr DWORD kRate = 22050;
constexpr double kTone = 440.0;  // 440 whole cycles in one second: the loop has no seam
constexpr int kPasses = 2;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "ToneDemo: %s failed (0x%08X)\n", what, static_cast<unsigned>(hr));
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCmd) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "ToneDemo";
    if (!RegisterClassA(&wc)) return fail("RegisterClassA", 0);
    HWND hwnd = CreateWindowExA(0, "ToneDemo", "Tone demo", WS_OVERLAPPED | WS_CAPTION, 0, 0, 320,
                                200, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return fail("CreateWindowExA", 0);
    ShowWindow(hwnd, showCmd);

    IDirectSound* ds = nullptr;
    HRESULT hr = DirectSoundCreate(nullptr, &ds, nullptr);
    if (FAILED(hr)) return fail("DirectSoundCreate", hr);
    if (FAILED(hr = ds->SetCooperativeLevel(hwnd, DSSCL_EXCLUSIVE)))
        return fail("SetCooperativeLevel", hr);

    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(hr = ds->CreateSoundBuffer(&desc, &primary, nullptr)))
        return fail("primary buffer", hr);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kRate * 4;
    primary->SetFormat(&format);
    primary->Play(0, 0, DSBPLAY_LOOPING);

    // One second of mono 16-bit sine at half scale.
    format.nChannels = 1;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = kRate * 2;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLPOSITIONNOTIFY;
    desc.dwBufferBytes = kRate * 2;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* tone = nullptr;
    if (FAILED(hr = ds->CreateSoundBuffer(&desc, &tone, nullptr))) return fail("tone buffer", hr);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (FAILED(hr = tone->Lock(0, desc.dwBufferBytes, &p1, &n1, &p2, &n2, 0)))
        return fail("Lock", hr);
    auto* samples = static_cast<std::int16_t*>(p1);
    for (DWORD i = 0; i < n1 / 2; ++i)
        samples[i] = static_cast<std::int16_t>(
            std::lround(16384.0 * std::sin(2.0 * 3.14159265358979323846 * kTone * i / kRate)));
    tone->Unlock(p1, n1, p2, n2);

    HANDLE wrapped = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    IDirectSoundNotify* notify = nullptr;
    if (FAILED(hr =
                   tone->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(&notify))))
        return fail("QueryInterface", hr);
    DSBPOSITIONNOTIFY start = {0, wrapped};
    notify->SetNotificationPositions(1, &start);
    if (FAILED(hr = tone->Play(0, 0, DSBPLAY_LOOPING))) return fail("Play", hr);

    // Starting at 0 reaches the start mark at once; each later one is a pass completed.
    int marks = 0;
    bool quit = false;
    const bool virtualClock = platform::backend().virtualTime();
    for (int step = 0; step < 1000 && marks <= kPasses && !quit; ++step) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        // On the virtual clock nothing else advances the audio: the demo does, 10 ms a step.
        if (virtualClock)
            platform::audioDeviceAdvance(10);
        else
            Sleep(10);
        if (WaitForSingleObject(wrapped, 0) == WAIT_OBJECT_0) ++marks;
    }

    tone->Stop();
    notify->Release();
    tone->Release();
    CloseHandle(wrapped);
    primary->Stop();
    primary->Release();
    ds->Release();
    DestroyWindow(hwnd);
    // Closing the window early is the user's choice, not a failure.
    if (!quit && marks <= kPasses) {
        std::fprintf(stderr, "ToneDemo: the tone did not play through\n");
        return 1;
    }
    return 0;
}
