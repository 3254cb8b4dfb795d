#include "artwork/sound_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace art {

void Sound::normalise(float peak) {
    float top = 0;
    for (size_t i = 0; i < frames(); ++i)
        top = std::max({top, std::fabs(left[i]), std::fabs(right[i])});
    if (top <= 0) return;
    const float k = peak / top;
    for (size_t i = 0; i < frames(); ++i) {
        left[i] *= k;
        right[i] *= k;
    }
}

bool Sound::writeWav(const std::string& path) const {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames() * 4);
    std::vector<unsigned char> out(44 + dataBytes);
    auto put16 = [&](size_t at, std::uint32_t v) {
        out[at] = static_cast<unsigned char>(v);
        out[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    std::copy_n("RIFF", 4, out.begin());
    put32(4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, out.begin() + 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, 2);
    put32(24, static_cast<std::uint32_t>(rate));
    put32(28, static_cast<std::uint32_t>(rate) * 4);
    put16(32, 4);
    put16(34, 16);
    std::copy_n("data", 4, out.begin() + 36);
    put32(40, dataBytes);
    for (size_t i = 0; i < frames(); ++i) {
        auto sample = [](float v) {
            long s = std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f);
            return static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(s)));
        };
        put16(44 + i * 4, sample(left[i]));
        put16(46 + i * 4, sample(right[i]));
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace art
