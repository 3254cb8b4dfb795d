// The DirectSound stand-in: the DirectSound object, its primary buffer and secondary
// buffers. Buffer state lives in sound::Voice records under the mixer's lock; events are
// always set after that lock is left.
#include "platform/audio/dsound.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/audio/audio_device.h"
#include "platform/audio/sound_mixer.h"
#include "platform/faults.h"
#include "platform/transcript.h"

namespace {

using platform::sound::Mark;
using platform::sound::mixerMutex;
using platform::sound::Voice;

constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;

// The audio device is open while at least one DirectSound object exists.
std::mutex& deviceMutex() {
    static std::mutex m;
    return m;
}
int g_deviceUsers = 0;

bool deviceAcquire() {
    std::lock_guard<std::mutex> lock(deviceMutex());
    if (g_deviceUsers == 0) {
        if (!platform::audioDeviceOpen(kDeviceRate, kDeviceChannels, platform::sound::mixerCallback,
                                       nullptr))
            return false;
        // The mixer writes stereo frames only.
        if (platform::audioDeviceChannels() != kDeviceChannels) {
            platform::audioDeviceClose();
            return false;
        }
        // The device's lock is never taken under the mixer's (the device mixes under its own).
        const int rate = platform::audioDeviceRate();
        std::lock_guard<std::mutex> mix(mixerMutex());
        platform::sound::mixerSetOutputRate(rate);
        platform::sound::mixerResetFormat();
    }
    ++g_deviceUsers;
    return true;
}

void deviceReleaseOne() {
    std::lock_guard<std::mutex> lock(deviceMutex());
    if (g_deviceUsers > 0 && --g_deviceUsers == 0) platform::audioDeviceClose();
}

bool validPcm(const WAVEFORMATEX* f) {
    if (!f || f->wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f->nChannels != 1 && f->nChannels != 2) return false;
    if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
    if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return false;
    return f->nSamplesPerSec >= DSBFREQUENCY_MIN && f->nSamplesPerSec <= DSBFREQUENCY_MAX;
}

class DirectSoundObject;

class SoundBuffer final : public IDirectSoundBuffer, public IDirectSoundNotify {
public:
    // A primary buffer when `format` is null.
    SoundBuffer(DirectSoundObject* owner, DWORD flags, DWORD bytes, const WAVEFORMATEX* format)
        : owner_(owner), flags_(flags), bytes_(bytes), primary_(format == nullptr) {
        if (format) {
            voice_.data = std::make_shared<std::vector<std::uint8_t>>(bytes, 0);
            voice_.bits = format->wBitsPerSample;
            voice_.channels = format->nChannels;
            voice_.align = format->nBlockAlign;
            voice_.frames = bytes / format->nBlockAlign;
            voice_.baseRate = voice_.rate = format->nSamplesPerSec;
        }
    }

    // A duplicate of `original`: same bytes, format and controls, own play state.
    SoundBuffer(DirectSoundObject* owner, const SoundBuffer& original)
        : owner_(owner), flags_(original.flags_), bytes_(original.bytes_), primary_(false) {
        voice_.data = original.voice_.data;
        voice_.bits = original.voice_.bits;
        voice_.channels = original.voice_.channels;
        voice_.align = original.voice_.align;
        voice_.frames = original.voice_.frames;
        voice_.baseRate = original.voice_.baseRate;
        voice_.rate = original.voice_.rate;
        voice_.gainLeft = original.voice_.gainLeft;
        voice_.gainRight = original.voice_.gainRight;
        volume_ = original.volume_;
        pan_ = original.pan_;
    }

    bool primary() const { return primary_; }
    // Under the mixer lock: the owner is going away.
    void detach() {
        if (voice_.playing) {
            voice_.playing = false;
            platform::sound::mixerDrop(&voice_);
        }
        primaryPlaying_ = false;
        owner_ = nullptr;
    }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return DSERR_INVALIDPARAM;
        *object = nullptr;
        if (iid == IID_IDirectSoundNotify && !primary_ && (flags_ & DSBCAPS_CTRLPOSITIONNOTIFY)) {
            AddRef();
            *object = static_cast<IDirectSoundNotify*>(this);
            return DS_OK;
        }
        return E_NOINTERFACE;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;

    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override {
        std::lock_guard<std::mutex> lock(mixerMutex());
        DWORD p = 0, w = 0;
        if (!primary_) {
            const auto frame = static_cast<std::uint32_t>(voice_.position >> 32);
            p = frame * static_cast<DWORD>(voice_.align);
            w = p;
            if (voice_.playing) {
                // The write cursor leads by about 10 ms of audio.
                const std::uint32_t lead = std::max<std::uint32_t>(1, voice_.rate / 100);
                w = ((frame + lead) % voice_.frames) * static_cast<DWORD>(voice_.align);
            }
        }
        if (play) *play = p;
        if (write) *write = w;
        return DS_OK;
    }

    HRESULT GetStatus(LPDWORD status) override {
        if (!status) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        const bool playing = primary_ ? primaryPlaying_ : voice_.playing;
        const bool looping = primary_ ? true : voice_.looping;
        *status = playing ? (DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0)) : 0;
        return DS_OK;
    }

    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1, LPVOID* audio2,
                 LPDWORD bytes2, DWORD flags) override {
        if (!audio1 || !bytes1) return DSERR_INVALIDPARAM;
        *audio1 = nullptr;
        *bytes1 = 0;
        if (audio2) *audio2 = nullptr;
        if (bytes2) *bytes2 = 0;
        if (primary_) return DSERR_PRIOLEVELNEEDED;
        if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
        if (flags & DSBLOCK_ENTIREBUFFER) bytes = bytes_;
        if (offset >= bytes_ || bytes == 0 || bytes > bytes_) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        std::uint8_t* base = voice_.data->data();
        const DWORD first = std::min(bytes, bytes_ - offset);
        *audio1 = base + offset;
        *bytes1 = first;
        if (first < bytes && audio2 && bytes2) {
            *audio2 = base;
            *bytes2 = bytes - first;
        }
        return DS_OK;
    }

    HRESULT Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2) override {
        if (primary_) return DSERR_INVALIDCALL;
        // Taking the mixer lock orders the caller's writes before the mixer's next read.
        std::lock_guard<std::mutex> lock(mixerMutex());
        const std::uint8_t* base = voice_.data->data();
        auto inside = [&](const void* p, DWORD n) {
            const auto* b = static_cast<const std::uint8_t*>(p);
            return b >= base && b <= base + bytes_ && n <= static_cast<DWORD>(base + bytes_ - b);
        };
        if (!audio1 || !inside(audio1, bytes1)) return DSERR_INVALIDPARAM;
        if (audio2 && (audio2 != base || bytes2 > bytes_)) return DSERR_INVALIDPARAM;
        return DS_OK;
    }

    HRESULT Play(DWORD reserved, DWORD, DWORD flags) override;
    HRESULT Stop() override;

    HRESULT SetCurrentPosition(DWORD position) override {
        if (primary_) return DSERR_INVALIDCALL;
        if (position >= bytes_) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        const std::uint32_t frame =
            std::min<std::uint32_t>(position / voice_.align, voice_.frames - 1);
        voice_.position = std::uint64_t{frame} << 32;
        return DS_OK;
    }

    HRESULT SetFormat(LPCWAVEFORMATEX format) override;

    HRESULT SetVolume(LONG volume) override {
        if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
        if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        volume_ = volume;
        updateGains();
        return DS_OK;
    }

    HRESULT SetPan(LONG pan) override {
        if (!(flags_ & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
        if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        pan_ = pan;
        updateGains();
        return DS_OK;
    }

    HRESULT SetFrequency(DWORD frequency) override {
        if (!(flags_ & DSBCAPS_CTRLFREQUENCY) || primary_) return DSERR_CONTROLUNAVAIL;
        if (frequency != DSBFREQUENCY_ORIGINAL &&
            (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
            return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        voice_.rate = frequency == DSBFREQUENCY_ORIGINAL ? voice_.baseRate : frequency;
        return DS_OK;
    }

    HRESULT SetNotificationPositions(DWORD count, LPCDSBPOSITIONNOTIFY positions) override {
        if (count > 0 && !positions) return DSERR_INVALIDPARAM;
        std::vector<Mark> marks;
        std::vector<HANDLE> stops;
        for (DWORD i = 0; i < count; ++i) {
            const DSBPOSITIONNOTIFY& p = positions[i];
            if (!p.hEventNotify) return DSERR_INVALIDPARAM;
            if (p.dwOffset == DSBPN_OFFSETSTOP) {
                stops.push_back(p.hEventNotify);
                continue;
            }
            if (p.dwOffset >= bytes_) return DSERR_INVALIDPARAM;
            const std::uint32_t frame =
                std::min<std::uint32_t>(p.dwOffset / voice_.align, voice_.frames - 1);
            marks.push_back(Mark{p.dwOffset, frame, p.hEventNotify});
        }
        std::stable_sort(marks.begin(), marks.end(),
                         [](const Mark& a, const Mark& b) { return a.offset < b.offset; });
        std::lock_guard<std::mutex> lock(mixerMutex());
        if (voice_.playing) return DSERR_INVALIDCALL;
        voice_.marks = std::move(marks);
        voice_.stopEvents = std::move(stops);
        return DS_OK;
    }

private:
    ~SoundBuffer() override = default;

    // Under the mixer lock.
    void updateGains() {
        const std::int32_t v = platform::sound::gainOfCentibels(volume_);
        const std::int32_t left = platform::sound::gainOfCentibels(pan_ > 0 ? -pan_ : 0);
        const std::int32_t right = platform::sound::gainOfCentibels(pan_ < 0 ? pan_ : 0);
        voice_.gainLeft = static_cast<std::int32_t>((std::int64_t{v} * left) >> 16);
        voice_.gainRight = static_cast<std::int32_t>((std::int64_t{v} * right) >> 16);
    }

    std::atomic<ULONG> refs_{1};
    DirectSoundObject* owner_;  // guarded by the mixer lock; null once the owner is gone
    const DWORD flags_;
    const DWORD bytes_;
    const bool primary_;
    bool primaryPlaying_ = false;
    LONG volume_ = 0;
    LONG pan_ = 0;
    Voice voice_;
};

class DirectSoundObject final : public IDirectSound {
public:
    ULONG AddRef() override { return ++refs_; }

    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            {
                // Buffers outliving their DirectSound object fall silent and refuse Play.
                std::lock_guard<std::mutex> lock(mixerMutex());
                for (SoundBuffer* b : buffers_) b->detach();
                buffers_.clear();
                primary_ = nullptr;
            }
            deviceReleaseOne();
            delete this;
        }
        return left;
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, IDirectSoundBuffer** buffer,
                              void* outer) override {
        if (!buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (!desc || outer) return DSERR_INVALIDPARAM;
        if (desc->dwSize != sizeof(DSBUFFERDESC) &&
            desc->dwSize != offsetof(DSBUFFERDESC, guid3DAlgorithm))
            return DSERR_INVALIDPARAM;
        if (platform::faultActive("sound-buffer")) return DSERR_OUTOFMEMORY;
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
            std::lock_guard<std::mutex> lock(mixerMutex());
            if (primary_) {
                primary_->AddRef();
            } else {
                primary_ = new SoundBuffer(this, desc->dwFlags, 0, nullptr);
                buffers_.push_back(primary_);
            }
            *buffer = primary_;
            return DS_OK;
        }
        if (!desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        if (!validPcm(desc->lpwfxFormat)) return DSERR_BADFORMAT;
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
            desc->dwBufferBytes < desc->lpwfxFormat->nBlockAlign)
            return DSERR_INVALIDPARAM;
        auto* b = new SoundBuffer(this, desc->dwFlags, desc->dwBufferBytes, desc->lpwfxFormat);
        {
            std::lock_guard<std::mutex> lock(mixerMutex());
            buffers_.push_back(b);
        }
        *buffer = b;
        return DS_OK;
    }

    HRESULT GetCaps(LPDSCAPS caps) override {
        if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        std::memset(caps, 0, sizeof *caps);
        caps->dwSize = sizeof(DSCAPS);
        caps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                        DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE | DSCAPS_EMULDRIVER |
                        DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT |
                        DSCAPS_SECONDARY16BIT;
        caps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
        caps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
        caps->dwPrimaryBuffers = 1;
        return DS_OK;
    }

    HRESULT DuplicateSoundBuffer(IDirectSoundBuffer* original,
                                 IDirectSoundBuffer** duplicate) override {
        if (!duplicate) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        if (!original) return DSERR_INVALIDPARAM;
        std::lock_guard<std::mutex> lock(mixerMutex());
        // Only buffers of this object are accepted, so a foreign pointer is never cast.
        auto it = std::find_if(buffers_.begin(), buffers_.end(), [&](SoundBuffer* b) {
            return static_cast<IDirectSoundBuffer*>(b) == original;
        });
        if (it == buffers_.end()) return DSERR_INVALIDPARAM;
        SoundBuffer* source = *it;
        if (source->primary()) return DSERR_INVALIDCALL;
        auto* b = new SoundBuffer(this, *source);
        buffers_.push_back(b);
        *duplicate = b;
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD level) override {
        if (!hwnd || !IsWindow(hwnd)) return DSERR_INVALIDPARAM;
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        level_.store(level);
        return DS_OK;
    }

    HRESULT Compact() override {
        return level_.load() >= DSSCL_PRIORITY ? DS_OK : DSERR_PRIOLEVELNEEDED;
    }

    DWORD level() const { return level_.load(); }
    // Under the mixer lock.
    void forget(SoundBuffer* b) {
        buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), b), buffers_.end());
        if (primary_ == b) primary_ = nullptr;
    }

private:
    ~DirectSoundObject() override = default;

    std::atomic<ULONG> refs_{1};
    std::atomic<DWORD> level_{0};
    std::vector<SoundBuffer*> buffers_;  // guarded by the mixer lock
    SoundBuffer* primary_ = nullptr;     // guarded by the mixer lock
};

ULONG SoundBuffer::Release() {
    const ULONG left = --refs_;
    if (left == 0) {
        {
            std::lock_guard<std::mutex> lock(mixerMutex());
            if (voice_.playing) {
                voice_.playing = false;
                platform::sound::mixerDrop(&voice_);
            }
            if (primary_ && owner_) platform::sound::mixerResetFormat();
            if (owner_) owner_->forget(this);
        }
        delete this;
    }
    return left;
}

HRESULT SoundBuffer::Play(DWORD reserved, DWORD, DWORD flags) {
    if (reserved != 0) return DSERR_INVALIDPARAM;
    HANDLE reached = nullptr;
    bool started = false;
    {
        std::lock_guard<std::mutex> lock(mixerMutex());
        if (!owner_) return DSERR_INVALIDCALL;
        if (primary_) {
            if (!(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
            primaryPlaying_ = true;
            return DS_OK;
        }
        voice_.looping = (flags & DSBPLAY_LOOPING) != 0;
        if (!voice_.playing) {
            voice_.playing = true;
            started = true;
            platform::sound::mixerAdd(&voice_);
            // Starting at a position counts as reaching the last mark at or before it.
            const auto frame = static_cast<std::uint32_t>(voice_.position >> 32);
            for (const Mark& m : voice_.marks)
                if (m.frame <= frame) reached = m.event;
        }
    }
    if (reached) SetEvent(reached);
    if (started) platform::transcriptWrite({"sound", std::to_string(bytes_)});
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    std::vector<HANDLE> stops;
    {
        std::lock_guard<std::mutex> lock(mixerMutex());
        if (primary_) {
            primaryPlaying_ = false;
            return DS_OK;
        }
        if (voice_.playing) {
            voice_.playing = false;
            platform::sound::mixerDrop(&voice_);
            stops = voice_.stopEvents;
        }
    }
    for (HANDLE e : stops) SetEvent(e);
    return DS_OK;
}

HRESULT SoundBuffer::SetFormat(LPCWAVEFORMATEX format) {
    if (!primary_) return DSERR_INVALIDCALL;
    if (!format) return DSERR_INVALIDPARAM;
    if (!validPcm(format)) return DSERR_BADFORMAT;
    std::lock_guard<std::mutex> lock(mixerMutex());
    if (!owner_) return DSERR_INVALIDCALL;
    if (owner_->level() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    platform::sound::mixerSetFormat(format->nChannels, format->wBitsPerSample);
    return DS_OK;
}

}  // namespace

HRESULT DirectSoundCreate(GUID* driver, IDirectSound** directSound, void* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_INVALIDPARAM;
    if (driver) return DSERR_NODRIVER;
    if (platform::faultActive("sound-device")) return DSERR_NODRIVER;
    if (!deviceAcquire()) return DSERR_NODRIVER;
    *directSound = new DirectSoundObject;
    return DS_OK;
}
