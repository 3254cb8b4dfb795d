// libFuzzer target for the BMP loader: each input is loaded as a 16-bit and as an 8-bit
// picture. A loaded surface must lock with a sane size and pitch, have every pixel row
// readable, and blit to the back buffer; then it is released.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

// Reads every byte of the locked picture (so the sanitizer sees an overrun) and checks
// the reported geometry against the header's limits.
void checkSurface(IDirectDrawSurface* s, int depth, IDirectDrawSurface* back) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) std::abort();
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (FAILED(s->GetPixelFormat(&format))) std::abort();
    // A 16-bit load is always RGB565; an 8-bit load keeps a palettised picture's bytes.
    const DWORD bits = format.dwRGBBitCount;
    if (bits != 16 && !(depth == 8 && bits == 8)) std::abort();
    const long rowBytes = static_cast<long>(desc.dwWidth) * static_cast<long>(bits / 8);
    if (desc.dwWidth == 0 || desc.dwHeight == 0 || desc.dwWidth > 16384 || desc.dwHeight > 16384 ||
        desc.lPitch < rowBytes)
        std::abort();
    const auto* pixels = static_cast<const std::uint8_t*>(desc.lpSurface);
    if (pixels == nullptr) std::abort();
    unsigned sum = 0;
    for (DWORD y = 0; y < desc.dwHeight; ++y)
        for (long x = 0; x < rowBytes; ++x) sum += pixels[y * desc.lPitch + x];
    s->Unlock(nullptr);
    if (back != nullptr && bits == 16) {
        RECT dest{10, 10, 10 + static_cast<LONG>(desc.dwWidth),
                  10 + static_cast<LONG>(desc.dwHeight)};
        back->Blt(&dest, s, nullptr, DDBLT_WAIT, nullptr);
        back->BltFast(0, 0, s, nullptr, DDBLTFAST_NOCOLORKEY);
    }
    // Keeps the read from being optimised away.
    if (sum == 0xFFFFFFFFu) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_bitmap", ".bmp");
    IDirectDrawSurface* back = fuzzing::openDisplay();
    if (!fuzzing::writeInput(path, data, size)) return 0;
    for (int depth : {16, 8}) {
        IDirectDrawSurface* s = QVLoadBitmap(path.c_str(), depth);
        if (s == nullptr) continue;
        checkSurface(s, depth, back);
        s->Release();
    }
    return 0;
}
