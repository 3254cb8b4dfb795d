// Blit costs side by side: a colour-keyed 565 blit through the DirectDraw stand-in, a
// plain one, SDL's own blits of the same pictures, and a memcpy of the same number of
// bytes (the memory limit). Sizes: a full 800 x 600 picture and a 50 x 44 chip. Each
// benchmark measures a memcpy of its byte count in the same process and reports its
// own time as the counter "ratio_to_memcpy" (1.0 = as fast as memcpy). The stand-in skips
// a copy that repeats the last one onto a destination not drawn on since, so each benchmark
// takes its pictures from two equal sources in turn: every copy is done.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/display/ddraw_internal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kW = 800, kH = 600;
constexpr std::uint16_t kKey = 0x001F;

// A sprite-like picture: shapes on a keyed background, a third of it transparent.
std::uint16_t picture(int x, int y) {
    const bool inside = ((x / 25) + (y / 22)) % 3 != 0;
    return inside ? static_cast<std::uint16_t>(0x8000 | (x * 7 + y)) : kKey;
}

void paint(void* pixels, int pitch, int w, int h) {
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint16_t*>(static_cast<char*>(pixels) + y * pitch);
        for (int x = 0; x < w; ++x) row[x] = picture(x, y);
    }
}

// Nanoseconds per memcpy of `bytes`, the best of a few timed batches.
double memcpyNs(size_t bytes) {
    std::vector<char> a(bytes, 1), b(bytes);
    double best = 1e30;
    for (int trial = 0; trial < 5; ++trial) {
        int n = 0;
        const auto start = Clock::now();
        auto now = start;
        do {
            for (int i = 0; i < 16; ++i, ++n) {
                std::memcpy(b.data(), a.data(), bytes);
                benchmark::DoNotOptimize(b.data());
                benchmark::ClobberMemory();
            }
            now = Clock::now();
        } while (now - start < std::chrono::milliseconds(10));
        best = std::min(best, std::chrono::duration<double, std::nano>(now - start).count() / n);
    }
    return best;
}

// Runs body once per iteration and reports bytes and the ratio to a memcpy.
template <class Body>
void measure(benchmark::State& state, size_t bytes, Body body) {
    const double reference = memcpyNs(bytes);
    const auto start = Clock::now();
    for (auto _ : state) body();
    const double ns =
        std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    state.counters["memcpy_ns"] = reference;
    state.counters["ratio_to_memcpy"] = ns / reference;
}

// Two equal keyed pictures and a destination; next() gives the pictures in turn.
struct Pair {
    IDirectDrawSurface* srcs[2];
    IDirectDrawSurface* dst;
    int turn = 0;
    Pair(int w, int h)
        : srcs{platform::surfaceCreate565(w, h), platform::surfaceCreate565(w, h)},
          dst(platform::surfaceCreate565(kW, kH)) {
        for (IDirectDrawSurface* src : srcs) {
            DDSURFACEDESC d{};
            d.dwSize = sizeof d;
            src->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
            paint(d.lpSurface, d.lPitch, w, h);
            src->Unlock(nullptr);
            DDCOLORKEY key{kKey, kKey};
            src->SetColorKey(DDCKEY_SRCBLT, &key);
        }
    }
    ~Pair() {
        for (IDirectDrawSurface* src : srcs) src->Release();
        dst->Release();
    }
    IDirectDrawSurface* next() { return srcs[turn++ & 1]; }
};

struct SdlPair {
    SDL_Surface* src;
    SDL_Surface* dst;
    SdlPair(int w, int h, bool keyed)
        : src(SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565)),
          dst(SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 16, SDL_PIXELFORMAT_RGB565)) {
        paint(src->pixels, src->pitch, w, h);
        SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
        if (keyed) SDL_SetColorKey(src, SDL_TRUE | SDL_RLEACCEL, kKey);
    }
    ~SdlPair() {
        SDL_FreeSurface(src);
        SDL_FreeSurface(dst);
    }
};

size_t bytesOf(const benchmark::State& state) {
    return static_cast<size_t>(state.range(0)) * static_cast<size_t>(state.range(1)) * 2;
}

void BM_Memcpy(benchmark::State& state) {
    const size_t bytes = bytesOf(state);
    std::vector<char> a(bytes, 1), b(bytes);
    measure(state, bytes, [&] {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    });
}

void BM_KeyedBlt(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Pair p(w, h);
    RECT r{0, 0, w, h};
    measure(state, bytesOf(state), [&] {
        if (p.dst->Blt(&r, p.next(), nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr) != DD_OK)
            state.SkipWithError("Blt failed");
    });
}

void BM_PlainBlt(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Pair p(w, h);
    RECT r{0, 0, w, h};
    measure(state, bytesOf(state), [&] {
        if (p.dst->Blt(&r, p.next(), nullptr, DDBLT_WAIT, nullptr) != DD_OK)
            state.SkipWithError("Blt failed");
    });
}

void BM_KeyedBltFast(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Pair p(w, h);
    measure(state, bytesOf(state), [&] {
        if (p.dst->BltFast(0, 0, p.next(), nullptr, DDBLTFAST_SRCCOLORKEY) != DD_OK)
            state.SkipWithError("BltFast failed");
    });
}

void BM_SdlKeyedBlit(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SdlPair p(w, h, true);
    measure(state, bytesOf(state), [&] {
        SDL_Rect r{0, 0, w, h};
        SDL_BlitSurface(p.src, nullptr, p.dst, &r);
    });
}

void BM_SdlPlainBlit(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SdlPair p(w, h, false);
    measure(state, bytesOf(state), [&] {
        SDL_Rect r{0, 0, w, h};
        SDL_BlitSurface(p.src, nullptr, p.dst, &r);
    });
}

// The dirty-rectangle pattern: something is stamped into a keyed 800 x 600 background,
// then a chip-sized part of that background is copied, keyed, to the back buffer (one of
// two equal chips in turn).
void BM_StampThenKeyedRegion(benchmark::State& state) {
    Pair p(kW, kH);
    IDirectDrawSurface* chips[2] = {platform::surfaceCreate565(50, 44),
                                    platform::surfaceCreate565(50, 44)};
    IDirectDrawSurface* background = p.srcs[0];
    RECT r{100, 100, 150, 144};
    int turn = 0;
    measure(state, 50 * 44 * 2 * 2, [&] {
        background->Blt(&r, chips[turn++ & 1], nullptr, DDBLT_WAIT, nullptr);
        p.dst->Blt(&r, background, &r, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    });
    for (IDirectDrawSurface* chip : chips) chip->Release();
}

void BM_SdlKeyedBlitUnencoded(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SdlPair p(w, h, false);
    SDL_SetColorKey(p.src, SDL_TRUE, kKey);
    measure(state, bytesOf(state), [&] {
        SDL_Rect r{0, 0, w, h};
        SDL_BlitSurface(p.src, nullptr, p.dst, &r);
    });
}

// A full-screen keyed copy from a background that has been stamped into (so it is no
// longer run-length encoded).
void BM_KeyedBltWrittenSource(benchmark::State& state) {
    Pair p(kW, kH);
    auto* chip = platform::surfaceCreate565(50, 44);
    RECT r{100, 100, 150, 144};
    for (IDirectDrawSurface* src : p.srcs) {
        p.dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
        src->Blt(&r, chip, nullptr, DDBLT_WAIT, nullptr);
    }
    measure(state, bytesOf(state), [&] {
        if (p.dst->Blt(nullptr, p.next(), nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr) != DD_OK)
            state.SkipWithError("Blt failed");
    });
    chip->Release();
}

BENCHMARK(BM_Memcpy)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_KeyedBlt)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_SdlKeyedBlit)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_PlainBlt)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_SdlPlainBlit)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_KeyedBltFast)->Args({50, 44});
BENCHMARK(BM_SdlKeyedBlitUnencoded)->Args({kW, kH})->Args({50, 44});
BENCHMARK(BM_StampThenKeyedRegion);
BENCHMARK(BM_KeyedBltWrittenSource)->Args({kW, kH});

}  // namespace

BENCHMARK_MAIN();
