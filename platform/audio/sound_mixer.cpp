// The software mixer: every playing voice, resampled from its own rate by linear
// interpolation, summed into 32-bit accumulators and saturated to 16 bits.
#include "platform/audio/sound_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/audio/audio_device.h"

namespace platform::sound {
namespace {

struct MixerState {
    std::mutex mutex;
    std::vector<Voice*> voices;
    std::vector<std::int32_t> accumulator;
    int outputRate = 44100;
    int formatChannels = 2;
    int formatBits = 16;
};

MixerState& state() {
    static MixerState* instance = new MixerState;  // used by the audio thread until exit
    return *instance;
}

template <int Bits>
inline std::int32_t sampleAt(const std::uint8_t* data, std::size_t index) {
    if constexpr (Bits == 8) {
        return (static_cast<std::int32_t>(data[index]) - 128) * 256;
    } else {
        std::int16_t s;
        std::memcpy(&s, data + index * 2, sizeof s);
        return s;
    }
}

// One side of frame `frame` (channel 0 or 1 of a stereo voice; mono voices use 0).
template <int Bits, int Channels>
inline std::int32_t side(const std::uint8_t* data, std::uint32_t frame, int channel) {
    return sampleAt<Bits>(data, static_cast<std::size_t>(frame) * Channels + channel);
}

// Mixes `count` output frames starting at `pos`; the frame after each one read is
// `next(frame)`. Advances pos.
template <int Bits, int Channels, bool Unity, class Next>
void run(const std::uint8_t* data, std::int32_t* acc, int count, std::uint64_t& pos,
         std::uint64_t step, std::int32_t gainL, std::int32_t gainR, Next next) {
    for (int i = 0; i < count; ++i) {
        const auto frame = static_cast<std::uint32_t>(pos >> 32);
        const auto frac = static_cast<std::int32_t>((pos >> 17) & 0x7FFF);
        const std::uint32_t after = next(frame);
        std::int32_t l0 = side<Bits, Channels>(data, frame, 0);
        std::int32_t l1 = side<Bits, Channels>(data, after, 0);
        std::int32_t left = l0 + (((l1 - l0) * frac) >> 15);
        std::int32_t right = left;
        if constexpr (Channels == 2) {
            std::int32_t r0 = side<Bits, Channels>(data, frame, 1);
            std::int32_t r1 = side<Bits, Channels>(data, after, 1);
            right = r0 + (((r1 - r0) * frac) >> 15);
        }
        if constexpr (Unity) {
            acc[0] += left;
            acc[1] += right;
        } else {
            acc[0] += static_cast<std::int32_t>((std::int64_t{left} * gainL) >> 16);
            acc[1] += static_cast<std::int32_t>((std::int64_t{right} * gainR) >> 16);
        }
        acc += 2;
        pos += step;
    }
}

template <int Bits, int Channels, bool Unity>
void mixSpan(const Voice& v, std::int32_t* acc, int count, std::uint64_t& pos, std::uint64_t step) {
    const std::uint8_t* data = v.data->data();
    const std::uint32_t last = v.frames - 1;
    // Outputs whose frame has a successor inside the buffer: no wrap check needed.
    const std::uint64_t lastStart = std::uint64_t{last} << 32;
    int fast = 0;
    if (pos < lastStart)
        fast =
            static_cast<int>(std::min<std::uint64_t>(count, (lastStart - pos + step - 1) / step));
    run<Bits, Channels, Unity>(data, acc, fast, pos, step, v.gainLeft, v.gainRight,
                               [](std::uint32_t f) { return f + 1; });
    // The last frame interpolates towards the first (looping) or holds.
    const std::uint32_t wrapTo = v.looping ? 0 : last;
    run<Bits, Channels, Unity>(data, acc + 2 * fast, count - fast, pos, step, v.gainLeft,
                               v.gainRight, [wrapTo](std::uint32_t) { return wrapTo; });
}

template <int Bits, int Channels>
void mixSpanGain(const Voice& v, std::int32_t* acc, int count, std::uint64_t& pos,
                 std::uint64_t step) {
    if (v.gainLeft == 65536 && v.gainRight == 65536)
        mixSpan<Bits, Channels, true>(v, acc, count, pos, step);
    else
        mixSpan<Bits, Channels, false>(v, acc, count, pos, step);
}

void mixSpanAny(const Voice& v, std::int32_t* acc, int count, std::uint64_t& pos,
                std::uint64_t step) {
    if (v.bits == 8) {
        if (v.channels == 1)
            mixSpanGain<8, 1>(v, acc, count, pos, step);
        else
            mixSpanGain<8, 2>(v, acc, count, pos, step);
    } else {
        if (v.channels == 1)
            mixSpanGain<16, 1>(v, acc, count, pos, step);
        else
            mixSpanGain<16, 2>(v, acc, count, pos, step);
    }
}

// Events of the marks with from < frame <= to, in order.
void collectMarks(const Voice& v, std::uint32_t from, std::uint32_t to,
                  std::vector<HANDLE>& events) {
    for (const Mark& m : v.marks)
        if (m.frame > from && m.frame <= to) events.push_back(m.event);
}

// Mixes one voice; false when it came to its end and stopped.
bool renderVoice(Voice& v, std::int32_t* acc, int frames, int outRate,
                 std::vector<HANDLE>& events) {
    if (v.frames == 0 || !v.data) return false;
    std::uint64_t step = (std::uint64_t{v.rate} << 32) / static_cast<std::uint64_t>(outRate);
    if (step == 0) step = 1;
    const std::uint64_t end = std::uint64_t{v.frames} << 32;
    int done = 0;
    while (done < frames) {
        const std::uint64_t toEnd = (end - v.position + step - 1) / step;
        const int count = static_cast<int>(std::min<std::uint64_t>(toEnd, frames - done));
        const auto before = static_cast<std::uint32_t>(v.position >> 32);
        mixSpanAny(v, acc + 2 * done, count, v.position, step);
        done += count;
        if (v.position < end) {
            collectMarks(v, before, static_cast<std::uint32_t>(v.position >> 32), events);
            continue;
        }
        collectMarks(v, before, v.frames - 1, events);
        if (!v.looping) {
            v.playing = false;
            v.position = 0;
            events.insert(events.end(), v.stopEvents.begin(), v.stopEvents.end());
            return false;
        }
        // Each pass over the start reaches the marks up to the new cursor.
        while (v.position >= end) {
            v.position -= end;
            const auto now = static_cast<std::uint32_t>(std::min(v.position, end - 1) >> 32);
            for (const Mark& m : v.marks)
                if (m.frame <= now) events.push_back(m.event);
        }
    }
    return true;
}

inline std::int16_t saturate(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

}  // namespace

std::mutex& mixerMutex() {
    return state().mutex;
}

void mixerAdd(Voice* voice) {
    auto& voices = state().voices;
    if (std::find(voices.begin(), voices.end(), voice) == voices.end()) voices.push_back(voice);
    audioDeviceWake();
}

void mixerDrop(Voice* voice) {
    auto& voices = state().voices;
    voices.erase(std::remove(voices.begin(), voices.end(), voice), voices.end());
}

void mixerSetOutputRate(int rate) {
    state().outputRate = rate > 0 ? rate : 44100;
}
int mixerOutputRate() {
    return state().outputRate;
}

void mixerSetFormat(int channels, int bits) {
    state().formatChannels = channels;
    state().formatBits = bits;
}

void mixerResetFormat() {
    mixerSetFormat(2, 16);
}

bool mixerRender(std::int16_t* out, int frames, std::vector<HANDLE>& events) {
    MixerState& s = state();
    if (frames <= 0) return !s.voices.empty();
    if (s.voices.empty()) {
        // Nothing plays: the silence needs no mixing.
        std::memset(out, 0, static_cast<std::size_t>(frames) * 2 * sizeof(std::int16_t));
        return false;
    }
    s.accumulator.assign(static_cast<std::size_t>(frames) * 2, 0);
    std::int32_t* acc = s.accumulator.data();
    for (std::size_t i = 0; i < s.voices.size();) {
        if (renderVoice(*s.voices[i], acc, frames, s.outputRate, events)) {
            ++i;
        } else {
            s.voices[i]->playing = false;
            s.voices.erase(s.voices.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    const bool mono = s.formatChannels == 1;
    const std::int32_t mask = s.formatBits == 8 ? ~0xFF : ~0;
    for (int i = 0; i < frames; ++i) {
        std::int32_t l = acc[2 * i];
        std::int32_t r = acc[2 * i + 1];
        if (mono) l = r = (l + r) / 2;
        out[2 * i] = static_cast<std::int16_t>(saturate(l) & mask);
        out[2 * i + 1] = static_cast<std::int16_t>(saturate(r) & mask);
    }
    return true;
}

bool mixerCallback(std::int16_t* out, int frames, void*) {
    thread_local std::vector<HANDLE> events;
    events.clear();
    bool played = false;
    {
        std::lock_guard<std::mutex> lock(mixerMutex());
        played = mixerRender(out, frames, events);
    }
    for (HANDLE e : events) SetEvent(e);
    return played;
}

std::int32_t gainOfCentibels(long centibels) {
    if (centibels >= 0) return 65536;
    if (centibels <= -10000) return 0;
    return static_cast<std::int32_t>(std::lround(65536.0 * std::pow(10.0, centibels / 2000.0)));
}

}  // namespace platform::sound
