// libFuzzer target for the WAV reader: every input is written to a file and opened the
// way the sound library opens sounds. An accepted file must describe a playable format
// and a data chunk that lies wholly inside the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/qv_sound.h"

namespace {

const std::string& inputPath() {
    static const std::string path = "/tmp/fuzz_wav_" + std::to_string(getpid()) + ".wav";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(inputPath().c_str(), "wb");
    if (f == nullptr) return 0;
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);

    SNDSample sample{};
    void* h = sample.OpenSoundFile(inputPath().c_str());
    if (h == INVALID_HANDLE_VALUE) return 0;
    if (sample.m_dwChannels != 1 && sample.m_dwChannels != 2) std::abort();
    if (sample.m_dwBits != 8 && sample.m_dwBits != 16) std::abort();
    if (sample.m_dwRate == 0) std::abort();
    if (sample.m_dwLength > size) std::abort();
    // The whole data chunk can be read from where the reader left the file.
    std::vector<std::uint8_t> audio(sample.m_dwLength);
    DWORD got = 0;
    if (sample.m_dwLength > 0 &&
        (!ReadFile(h, audio.data(), sample.m_dwLength, &got, nullptr) || got != sample.m_dwLength))
        std::abort();
    CloseHandle(h);
    return 0;
}
