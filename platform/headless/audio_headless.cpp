// The headless audio device: no sound card. audioDeviceAdvance mixes audio on the
// caller's thread, in 10 ms pieces, and appends it to the --audio-out WAV file, which is
// written as it goes so that a long run never holds its audio in memory.
#include <bit>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/audio/audio_device.h"

namespace platform {
namespace {

static_assert(std::endian::native == std::endian::little, "WAV output is written as is");

constexpr int kDefaultRate = 44100;
constexpr int kDefaultChannels = 2;

struct HeadlessAudio {
    std::mutex mutex;  // held while mixing
    bool open = false;
    int rate = kDefaultRate;
    int channels = kDefaultChannels;
    AudioMixFn mix = nullptr;
    void* user = nullptr;
    long long carry = 0;  // milliseconds x rate not yet turned into whole frames
    std::vector<std::int16_t> scratch;

    std::mutex fileMutex;
    std::FILE* file = nullptr;
    std::uint32_t dataBytes = 0;
    int fileRate = kDefaultRate;
    int fileChannels = kDefaultChannels;
};

HeadlessAudio& audio() {
    static HeadlessAudio* instance = new HeadlessAudio;  // used until the process ends
    return *instance;
}

void put16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// The 44-byte header of a 16-bit PCM WAV file holding dataBytes bytes of samples.
void writeHeader(HeadlessAudio& a) {
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                           'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,   0};
    put32(h + 4, 36 + a.dataBytes);
    put16(h + 20, 1);
    put16(h + 22, static_cast<unsigned>(a.fileChannels));
    put32(h + 24, static_cast<std::uint32_t>(a.fileRate));
    put32(h + 28, static_cast<std::uint32_t>(a.fileRate * a.fileChannels * 2));
    put16(h + 32, static_cast<unsigned>(a.fileChannels * 2));
    put16(h + 34, 16);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    put32(h + 40, a.dataBytes);
    std::fseek(a.file, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, a.file);
    std::fseek(a.file, 0, SEEK_END);
    std::fflush(a.file);
}

void appendToFile(HeadlessAudio& a, const std::int16_t* samples, std::size_t count) {
    std::lock_guard<std::mutex> lock(a.fileMutex);
    if (!a.file) return;
    const std::uint64_t bytes = count * sizeof(std::int16_t);
    if (a.dataBytes + bytes > 0xFFFFFF00u) return;  // a WAV file cannot say more
    if (std::fwrite(samples, sizeof(std::int16_t), count, a.file) == count)
        a.dataBytes += static_cast<std::uint32_t>(bytes);
}

void finishFile(HeadlessAudio& a, bool close) {
    std::lock_guard<std::mutex> lock(a.fileMutex);
    if (!a.file) return;
    writeHeader(a);
    if (close) {
        std::fclose(a.file);
        a.file = nullptr;
    }
}

// Completes the file's header when the process ends without audioFinishOutputFile.
struct FinishAtExit {
    ~FinishAtExit() { finishFile(audio(), true); }
} g_finishAtExit;

}  // namespace

bool audioDeviceOpen(int rate, int channels, AudioMixFn mix, void* user) {
    HeadlessAudio& a = audio();
    if (rate < 8000 || rate > 192000 || channels < 1 || channels > 2 || !mix) return false;
    std::lock_guard<std::mutex> lock(a.mutex);
    if (a.open) return false;
    a.open = true;
    a.rate = rate;
    a.channels = channels;
    a.mix = mix;
    a.user = user;
    a.carry = 0;
    return true;
}

void audioDeviceClose() {
    HeadlessAudio& a = audio();
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        a.open = false;
        a.mix = nullptr;
        a.user = nullptr;
    }
    finishFile(a, false);
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

// The virtual clock mixes on demand: nothing sleeps.
void audioDeviceWake() {}

void audioDeviceAdvance(int milliseconds) {
    HeadlessAudio& a = audio();
    if (milliseconds <= 0) return;
    std::lock_guard<std::mutex> lock(a.mutex);
    const long long total = static_cast<long long>(milliseconds) * a.rate + a.carry;
    long long frames = total / 1000;
    a.carry = total % 1000;
    // Mixed in pieces of at most 10 ms so that notifications keep their spacing.
    const int piece = a.rate / 100;
    while (frames > 0) {
        const int n = static_cast<int>(frames < piece ? frames : piece);
        frames -= n;
        a.scratch.assign(static_cast<std::size_t>(n) * a.channels, 0);
        if (a.open && a.mix) a.mix(a.scratch.data(), n, a.user);
        appendToFile(a, a.scratch.data(), a.scratch.size());
    }
}

void audioSetOutputFile(const char* path) {
    HeadlessAudio& a = audio();
    finishFile(a, true);
    if (!path || !*path) return;
    int rate, channels;
    {
        std::lock_guard<std::mutex> lock(a.mutex);
        rate = a.rate;
        channels = a.channels;
    }
    std::lock_guard<std::mutex> lock(a.fileMutex);
    a.file = std::fopen(path, "wb");
    if (!a.file) {
        std::fprintf(stderr, "headless: cannot write audio to %s\n", path);
        return;
    }
    a.dataBytes = 0;
    a.fileRate = rate;
    a.fileChannels = channels;
    writeHeader(a);
}

void audioFinishOutputFile() {
    finishFile(audio(), true);
}

}  // namespace platform
