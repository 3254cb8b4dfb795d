// Blit costs side by side: a colour-keyed 565 blit of a full 800 x 600 picture through
// the DirectDraw stand-in, a plain one, SDL's own blit of the same surfaces, and a
// memcpy of the same bytes (the memory limit). Each reports bytes per second; compare
// the "ratio_to_memcpy" lines printed at the end.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ddraw.h"
#include "platform/ddraw_internal.h"

namespace {

constexpr int kW = 800, kH = 600;

// A picture with a keyed background and shapes, like the programs' sprites.
void paint(IDirectDrawSurface* s, int w, int h) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<char*>(d.lpSurface) + y * d.lPitch);
        for (int x = 0; x < w; ++x) {
            const bool inside = ((x / 25) + (y / 22)) % 3 != 0;
            row[x] = inside ? static_cast<std::uint16_t>(0x8000 | (x * 7 + y)) : 0x001F;
        }
    }
    s->Unlock(nullptr);
    DDCOLORKEY key{0x001F, 0x001F};
    s->SetColorKey(DDCKEY_SRCBLT, &key);
}

struct Pair {
    IDirectDrawSurface* src;
    IDirectDrawSurface* dst;
    Pair(int w, int h) : src(platform::surfaceCreate565(w, h)), dst(platform::surfaceCreate565(kW, kH)) {
        paint(src, w, h);
    }
    ~Pair() {
        src->Release();
        dst->Release();
    }
};

void BM_KeyedBlt(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Pair p(w, h);
    RECT r{0, 0, w, h};
    for (auto _ : state) p.dst->Blt(&r, p.src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    state.SetBytesProcessed(state.iterations() * int64_t(w) * h * 2);
}

void BM_PlainBlt(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Pair p(w, h);
    RECT r{0, 0, w, h};
    for (auto _ : state) p.dst->Blt(&r, p.src, nullptr, DDBLT_WAIT, nullptr);
    state.SetBytesProcessed(state.iterations() * int64_t(w) * h * 2);
}

void BM_SdlKeyedBlit(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565);
    SDL_LockSurface(src);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<char*>(src->pixels) + y * src->pitch);
        for (int x = 0; x < w; ++x)
            row[x] = ((x / 25) + (y / 22)) % 3 != 0 ? static_cast<std::uint16_t>(0x8000 | (x * 7 + y)) : 0x001F;
    }
    SDL_UnlockSurface(src);
    SDL_SetColorKey(src, SDL_TRUE | SDL_RLEACCEL, 0x001F);
    for (auto _ : state) {
        SDL_Rect r{0, 0, w, h};
        SDL_BlitSurface(src, nullptr, dst, &r);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(w) * h * 2);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

void BM_Memcpy(benchmark::State& state) {
    const size_t bytes = size_t(state.range(0)) * state.range(1) * 2;
    std::vector<char> a(bytes, 1), b(bytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(bytes));
}

BENCHMARK(BM_Memcpy)->Args({800, 600})->Args({50, 44});
BENCHMARK(BM_KeyedBlt)->Args({800, 600})->Args({50, 44})->Args({66, 40});
BENCHMARK(BM_PlainBlt)->Args({800, 600})->Args({50, 44});
BENCHMARK(BM_SdlKeyedBlit)->Args({800, 600})->Args({50, 44});

}  // namespace

BENCHMARK_MAIN();
