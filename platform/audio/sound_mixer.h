// Platform-internal: the software mixer behind the DirectSound stand-in. Each playing
// secondary buffer is a Voice; the audio device's callback mixes every voice into the
// output and sets the notification events that came due, after leaving the mixer lock.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/win32.h"

namespace platform::sound {

// A notification position: `frame` is the frame that holds byte `offset`.
struct Mark {
    DWORD offset;
    std::uint32_t frame;
    HANDLE event;
};

// The mixer's view of one buffer. Every field is guarded by mixerMutex().
struct Voice {
    // The audio bytes, shared by a buffer and its duplicates.
    std::shared_ptr<std::vector<std::uint8_t>> data;
    int bits = 16;
    int channels = 1;
    int align = 2;
    std::uint32_t frames = 0;  // whole frames in data
    std::uint32_t baseRate = 22050;
    std::uint32_t rate = 22050;  // playback rate, SetFrequency
    std::uint64_t position = 0;  // play cursor in frames, 32.32 fixed point
    bool playing = false;
    bool looping = false;
    std::int32_t gainLeft = 65536;  // 16.16 fixed point, 65536 is unity
    std::int32_t gainRight = 65536;
    std::vector<Mark> marks;  // sorted by frame
    std::vector<HANDLE> stopEvents;
};

std::mutex& mixerMutex();

// The following need mixerMutex() held.
void mixerAdd(Voice* voice);
void mixerDrop(Voice* voice);
void mixerSetOutputRate(int rate);
int mixerOutputRate();
// The primary buffer's format: mono folds both sides together, 8 bits drops the low byte.
void mixerSetFormat(int channels, int bits);
void mixerResetFormat();
// Mixes `frames` interleaved stereo frames of every playing voice into `out`, appending
// the events that came due to `events` in the order they came due. False when nothing
// played: `out` holds silence.
bool mixerRender(std::int16_t* out, int frames, std::vector<HANDLE>& events);

// The audio device callback (platform/audio/audio_device.h): renders under the lock, then sets
// the events. Its output always has two channels.
bool mixerCallback(std::int16_t* out, int frames, void* user);

// Gain for hundredths of a decibel (0 and above is unity, DSBVOLUME_MIN and below silence).
std::int32_t gainOfCentibels(long centibels);

}  // namespace platform::sound
