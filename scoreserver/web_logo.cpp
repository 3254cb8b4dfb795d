#include "scoreserver/web_logo.h"

#include <cstddef>
#include <cstdint>

namespace scoreserver {

// Defined in the source generated from the artwork's logo.png.
extern const unsigned char kLogoPngBytes[];
extern const std::size_t kLogoPngBytesSize;

std::string_view logoPng() {
    return {reinterpret_cast<const char*>(kLogoPngBytes), kLogoPngBytesSize};
}

LogoSize logoShownSize() {
    // A PNG's width and height are the big-endian words at bytes 16 and 20 (its IHDR).
    const auto word = [](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i) value = value << 8 | kLogoPngBytes[at + i];
        return static_cast<int>(value);
    };
    if (kLogoPngBytesSize < 24) return {0, 0};
    return {word(16) / 2, word(20) / 2};
}

}  // namespace scoreserver
