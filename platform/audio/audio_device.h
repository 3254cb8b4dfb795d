// The audio output device: one mixing callback that fills interleaved signed 16-bit
// frames. The sdl backend drives it from SDL's audio thread; the headless backend
// drives it on the virtual clock, 10 ms per presented frame, and can write all of it
// to a WAV file.
#pragma once

#include <cstdint>

namespace platform {

// Fills `frames` frames; false when nothing plays (the frames are silence).
using AudioMixFn = bool (*)(std::int16_t* out, int frames, void* user);

// Opens the device at the given rate and channel count; false when there is none.
bool audioDeviceOpen(int rate, int channels, AudioMixFn mix, void* user);
void audioDeviceClose();
bool audioDeviceIsOpen();
int audioDeviceRate();
int audioDeviceChannels();
// A sound starts: a device that went to sleep after a long silence opens again.
void audioDeviceWake();

// Headless backend only: mixes `milliseconds` of audio now (whole frames, the
// remainder carried to the next call) and appends it to the --audio-out file.
void audioDeviceAdvance(int milliseconds);

}  // namespace platform

namespace platform {
// Headless backend only: every mixed frame is also written to this WAV file (the
// --audio-out option); the header is completed when the device closes or the process
// ends.
void audioSetOutputFile(const char* path);
void audioFinishOutputFile();
}  // namespace platform
