// The sdl audio device: SDL's audio thread calls the mixing callback for at most 1024
// frames at a time (about 23 ms at 44100 Hz), in signed 16-bit samples. After a few seconds
// with nothing to play the SDL device is closed, so that its thread stops waking for every
// buffer of silence; the next sound opens it again. Both are done by a keeper thread of the
// device's own, so that neither the program nor the mixing ever waits for them.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/audio/audio_device.h"

namespace platform {
namespace {

constexpr Uint16 kDeviceFrames = 1024;
// Silence this long puts the device to sleep.
constexpr int kSleepAfterMs = 3000;

struct SdlAudio {
    std::mutex mutex;  // guards what follows; never held while SDL opens or closes a device
    std::condition_variable changed;
    bool open = false;             // between audioDeviceOpen and audioDeviceClose
    SDL_AudioDeviceID device = 0;  // the SDL device; 0 while it sleeps
    bool sleepWanted = false;      // the callback heard enough silence
    bool wakeWanted = false;       // a voice started while asleep
    bool quit = false;
    std::thread keeper;
    int rate = 0;
    int channels = 0;
    AudioMixFn mix = nullptr;
    void* user = nullptr;
    // Counts the voices started (written under the mutex): a sleep asked before the latest
    // start is not carried out.
    std::atomic<unsigned> voiceStarts{0};
    unsigned startsWhenSleepAsked = 0;
    // The callback's own count of silent frames since the last sound.
    int silentFrames = 0;
    bool sleepAsked = false;
};

SdlAudio& audio() {
    static SdlAudio* instance = new SdlAudio;  // used by SDL's audio thread until exit
    return *instance;
}

void SDLCALL fill(void* userdata, Uint8* stream, int length) {
    auto* a = static_cast<SdlAudio*>(userdata);
    const int frames = length / (a->channels * static_cast<int>(sizeof(std::int16_t)));
    // Read before mixing: a voice started after the mix found none counts as newer.
    const unsigned starts = a->voiceStarts.load();
    if (a->mix(reinterpret_cast<std::int16_t*>(stream), frames, a->user)) {
        a->silentFrames = 0;
        a->sleepAsked = false;
        return;
    }
    a->silentFrames += frames;
    if (a->sleepAsked || a->silentFrames < a->rate / 1000 * kSleepAfterMs) return;
    a->sleepAsked = true;
    std::lock_guard lock(a->mutex);
    if (a->voiceStarts.load() != starts) return;  // a sound has just started
    a->sleepWanted = true;
    a->startsWhenSleepAsked = starts;
    a->changed.notify_all();
}

// Opens SDL's device for the mixer and starts it; 0 when there is none.
SDL_AudioDeviceID openSdlDevice(SdlAudio& a, SDL_AudioSpec* have) {
    SDL_AudioSpec want{};
    want.freq = a.rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(a.channels);
    want.samples = kDeviceFrames;
    want.callback = fill;
    want.userdata = &a;
    // No changes allowed: SDL converts to whatever the hardware wants.
    const SDL_AudioDeviceID d = SDL_OpenAudioDevice(nullptr, 0, &want, have, 0);
    if (d != 0) SDL_PauseAudioDevice(d, 0);
    return d;
}

// Puts the device to sleep and wakes it, as the callback and the mixer ask.
void keep(SdlAudio& a) {
    std::unique_lock lock(a.mutex);
    for (;;) {
        a.changed.wait(lock, [&] {
            return a.quit || (a.device != 0 && a.sleepWanted) || (a.device == 0 && a.wakeWanted);
        });
        if (a.quit) return;
        if (a.device != 0) {
            a.sleepWanted = false;
            // A sound started since the callback asked: stay awake.
            if (a.voiceStarts.load() != a.startsWhenSleepAsked) continue;
            const SDL_AudioDeviceID d = a.device;
            a.device = 0;
            lock.unlock();
            SDL_CloseAudioDevice(d);  // returns once the callback has finished
            lock.lock();
            continue;
        }
        a.wakeWanted = false;
        lock.unlock();
        a.silentFrames = 0;  // the callback is not running: no device
        a.sleepAsked = false;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID d = openSdlDevice(a, &have);
        lock.lock();
        if (d == 0) {
            // The device went away meanwhile: try again in a second.
            a.changed.wait_for(lock, std::chrono::seconds(1), [&] { return a.quit; });
            a.wakeWanted = true;
            continue;
        }
        a.device = d;
    }
}

}  // namespace

bool audioDeviceOpen(int rate, int channels, AudioMixFn mix, void* user) {
    SdlAudio& a = audio();
    std::unique_lock lock(a.mutex);
    if (a.open || !mix || rate <= 0 || channels < 1 || channels > 2) return false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    a.rate = rate;
    a.channels = channels;
    a.mix = mix;
    a.user = user;
    a.silentFrames = 0;
    a.sleepAsked = a.sleepWanted = a.wakeWanted = a.quit = false;
    // Opened without the lock: the callback takes it, under SDL's own lock of the device.
    lock.unlock();
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID d = openSdlDevice(a, &have);
    if (d == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    lock.lock();
    a.device = d;
    a.open = true;
    a.keeper = std::thread(keep, std::ref(a));
    return true;
}

void audioDeviceClose() {
    SdlAudio& a = audio();
    std::unique_lock lock(a.mutex);
    if (!a.open) return;
    a.quit = true;
    a.changed.notify_all();
    lock.unlock();
    a.keeper.join();
    lock.lock();
    const SDL_AudioDeviceID d = a.device;
    a.device = 0;
    a.open = false;
    lock.unlock();
    if (d != 0) SDL_CloseAudioDevice(d);  // returns once the callback has finished
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void audioDeviceWake() {
    SdlAudio& a = audio();
    std::lock_guard lock(a.mutex);
    a.voiceStarts.fetch_add(1);
    if (!a.open || a.device != 0) return;
    a.wakeWanted = true;
    a.changed.notify_all();
}

bool audioDeviceIsOpen() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().open;
}

int audioDeviceRate() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().rate;
}

int audioDeviceChannels() {
    std::lock_guard<std::mutex> lock(audio().mutex);
    return audio().channels;
}

// Real time drives this device; the virtual-clock calls do nothing here.
void audioDeviceAdvance(int) {}
void audioSetOutputFile(const char*) {}
void audioFinishOutputFile() {}

}  // namespace platform
