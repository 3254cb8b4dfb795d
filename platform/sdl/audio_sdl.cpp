// The sdl audio device: SDL's audio thread calls the mixing callback for at most 1024
// frames at a time (about 23 ms at 44100 Hz), in signed 16-bit samples.
#include <SDL.h>

#include <mutex>

#include "platform/audio_device.h"

namespace platform {
namespace {

constexpr Uint16 kDeviceFrames = 1024;

struct SdlAudio {
    std::mutex mutex;  // guards opening and closing; the callback needs none of it
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    int channels = 0;
    AudioMixFn mix = nullptr;
    void* user = nullptr;
};

SdlAudio& audio() {
    static SdlAudio* instance = new SdlAudio;  // used by SDL's audio thread until exit
    return *instance;
}

void SDLCALL fill(void* userdata, Uint8* stream, int length) {
    auto* a = static_cast<SdlAudio*>(userdata);
    const int frames = length / (a->channels * static_cast<int>(sizeof(std::int16_t)));
    a->mix(reinterpret_cast<std::int16_t*>(stream), frames, a->user);
}

}  // namespace

bool audioDeviceOpen(int rate, int channels, AudioMixFn mix, void* user) {
    SdlAudio& a = audio();
    std::lock_guard<std::mutex> lock(a.mutex);
    if (a.device != 0 || !mix || rate <= 0 || channels < 1 || channels > 2) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    a.rate = rate;
    a.channels = channels;
    a.mix = mix;
    a.user = user;
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = kDeviceFrames;
    want.callback = fill;
    want.userdata = &a;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    a.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (a.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(a.device, 0);
    return true;
}

void audioDeviceClose() {
    SdlAudio& a = audio();
    std::lock_guard<std::mutex> lock(a.mutex);
    if (a.device == 0) return;
    SDL_CloseAudioDevice(a.device);  // returns once the callback has finished
    a.device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool audioDeviceIsOpen() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().device != 0;
}

int audioDeviceRate() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().rate;
}

int audioDeviceChannels() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().channels;
}

SDL_AudioDeviceID currentDevice() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().device;
}

void audioDeviceLock() {
    if (SDL_AudioDeviceID d = currentDevice()) SDL_LockAudioDevice(d);
}

void audioDeviceUnlock() {
    if (SDL_AudioDeviceID d = currentDevice()) SDL_UnlockAudioDevice(d);
}

// Real time drives this device; the virtual-clock calls do nothing here.
void audioDeviceAdvance(int) {}
void audioSetOutputFile(const char*) {}
void audioFinishOutputFile() {}

}  // namespace platform
