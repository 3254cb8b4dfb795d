// Keyed copies checked pixel for pixel after every change: the source drawn on again, its
// key changed or removed, the destination drawn over, sources released and made anew.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/display/ddraw.h"
#include "tests/platform/display/surface_fixture.h"

namespace {

using surfacetest::kBlue;
using surfacetest::Surfaces;

class KeyedCopies : public Surfaces {
protected:
    static constexpr int kW = 90, kH = 40;
    static constexpr DWORD kGround = 0x0F0F;

    // Copies `part` of the source to (dx, dy) of a cleared destination several times and
    // checks every destination pixel against the key rule applied to `source`.
    void expectCopies(IDirectDrawSurface* src, const std::vector<std::uint32_t>& source,
                      DWORD keyValue, RECT part, int dx, int dy) {
        IDirectDrawSurface* dst = dest ? dest : (dest = make(120, 60));
        const int w = part.right - part.left, h = part.bottom - part.top;
        for (int repeat = 0; repeat < 3; ++repeat) {
            RECT all{0, 0, 120, 60};
            ASSERT_EQ(fill(dst, &all, kGround), DD_OK);
            if (repeat == 2) {
                ASSERT_EQ(dst->BltFast(static_cast<DWORD>(dx), static_cast<DWORD>(dy), src, &part,
                                       DDBLTFAST_SRCCOLORKEY),
                          DD_OK);
            } else {
                RECT d{dx, dy, dx + w, dy + h};
                ASSERT_EQ(dst->Blt(&d, src, &part, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
            }
            const auto out = pixels(dst);
            int wrong = 0;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 120; ++x) {
                    std::uint32_t want = kGround;
                    if (x >= dx && x < dx + w && y >= dy && y < dy + h) {
                        const std::uint32_t v = source[static_cast<size_t>(
                            (y - dy + part.top) * kW + x - dx + part.left)];
                        if (v != keyValue) want = v;
                    }
                    wrong += out[static_cast<size_t>(y * 120 + x)] != want;
                }
            EXPECT_EQ(wrong, 0) << "copy " << repeat + 1 << " of part (" << part.left << ", "
                                << part.top << ")";
        }
    }

    IDirectDrawSurface* dest = nullptr;
};

TEST_F(KeyedCopies, RepeatedCopiesFollowEveryChangeOfTheSourceAndItsKey) {
    IDirectDrawSurface* src = make(kW, kH);
    RECT all{0, 0, kW, kH};
    ASSERT_EQ(fill(src, &all, 0x1234), DD_OK);
    RECT holes[] = {{0, 0, 5, kH}, {20, 4, 35, 30}, {60, 10, 61, 11}, {85, 0, kW, 20}};
    for (RECT& r : holes) ASSERT_EQ(fill(src, &r, kBlue), DD_OK);
    for (int x = 0; x < kW; x += 2) setPixel(src, x, 7, kBlue);  // a row of single pixels
    RECT stripe{10, 15, 80, 16};
    ASSERT_EQ(fill(src, &stripe, 0xF800), DD_OK);
    key(src, kBlue);
    const RECT whole{0, 0, kW, kH}, part{7, 3, 61, 33};

    auto source = pixels(src);
    expectCopies(src, source, kBlue, whole, 10, 10);
    expectCopies(src, source, kBlue, part, 50, 20);

    // Drawn on again: a new hole, and colour inside an old one.
    RECT newHole{40, 20, 70, 25}, filled{22, 6, 30, 12};
    ASSERT_EQ(fill(src, &newHole, kBlue), DD_OK);
    ASSERT_EQ(fill(src, &filled, 0x07E0), DD_OK);
    source = pixels(src);
    expectCopies(src, source, kBlue, whole, 10, 10);
    expectCopies(src, source, kBlue, part, 50, 20);

    // Another key: the old holes show, the main colour goes.
    key(src, 0x1234);
    expectCopies(src, source, 0x1234, whole, 10, 10);
    expectCopies(src, source, 0x1234, part, 50, 20);

    // Written through a lock.
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    RECT row{0, 30, kW, 31};
    ASSERT_EQ(src->Lock(&row, &d, DDLOCK_WAIT, nullptr), DD_OK);
    for (int x = 0; x < kW; ++x)
        static_cast<std::uint16_t*>(d.lpSurface)[x] = x % 3 ? 0x1234 : 0x0001;
    src->Unlock(nullptr);
    source = pixels(src);
    expectCopies(src, source, 0x1234, whole, 10, 10);
    expectCopies(src, source, 0x1234, part, 50, 20);
}

// Copies onto one destination, checked pixel for pixel against the copy rules after every
// step: the same pictures copied to the same places again and again, with the destination
// drawn over in between, the sources written (by fills, locks and copies), their keys changed
// or removed, and sources released and made anew.
TEST_F(Surfaces, EveryCopyFollowsTheRulesWhateverWasCopiedThereBefore) {
    constexpr int kDw = 48, kDh = 32, kSw = 16, kSh = 12, kSources = 3;
    const std::uint16_t colours[] = {0x001F, 0xF800, 0x07E0, 0x1234, 0x0000};
    std::mt19937 random(2024);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    struct Model {
        int w, h;
        std::vector<std::uint16_t> px;
        bool keyed = false;
        std::uint16_t key = 0;
    };
    auto readOnly = [](IDirectDrawSurface* surface, int w, int h) {
        std::vector<std::uint16_t> out;
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        // Read-only, so that looking does not count as drawing.
        if (surface->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return out;
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint16_t*>(
                static_cast<const char*>(d.lpSurface) + y * d.lPitch);
            out.insert(out.end(), row, row + w);
        }
        surface->Unlock(nullptr);
        return out;
    };
    // Writes a model's pixels into a surface through a lock.
    auto store = [](IDirectDrawSurface* surface, const Model& m, int fromRow, int rows) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        RECT r{0, fromRow, m.w, fromRow + rows};
        ASSERT_EQ(surface->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < m.w; ++x)
                reinterpret_cast<std::uint16_t*>(static_cast<char*>(d.lpSurface) +
                                                 y * d.lPitch)[x] =
                    m.px[static_cast<size_t>((fromRow + y) * m.w + x)];
        surface->Unlock(nullptr);
    };
    IDirectDrawSurface* dst = make(kDw, kDh);
    Model dm{kDw, kDh, std::vector<std::uint16_t>(kDw * kDh, 0)};
    IDirectDrawSurface* src[kSources] = {};
    Model sm[kSources];
    auto newSource = [&](int i) {
        if (src[i]) {
            std::erase(made, src[i]);
            src[i]->Release();
        }
        src[i] = make(kSw, kSh);
        sm[i] = Model{kSw, kSh, std::vector<std::uint16_t>(kSw * kSh)};
        for (auto& v : sm[i].px) v = colours[pick(5)];
        store(src[i], sm[i], 0, kSh);
        sm[i].keyed = true;
        sm[i].key = colours[pick(2)];
        key(src[i], sm[i].key);
    };
    for (int i = 0; i < kSources; ++i) newSource(i);
    // Copies model source i's part onto the destination model at (dx, dy).
    auto copyModel = [&](int i, RECT part, int dx, int dy, bool keyed) {
        for (int y = part.top; y < part.bottom; ++y)
            for (int x = part.left; x < part.right; ++x) {
                const std::uint16_t v = sm[i].px[static_cast<size_t>(y * kSw + x)];
                if (keyed && sm[i].keyed && v == sm[i].key) continue;
                dm.px[static_cast<size_t>((dy + y - part.top) * kDw + dx + x - part.left)] = v;
            }
    };
    const int places[4][2] = {{0, 0}, {10, 5}, {30, 18}, {5, 20}};
    const RECT parts[2] = {{0, 0, kSw, kSh}, {2, 1, 14, 9}};
    for (int step = 0; step < 3000; ++step) {
        const int i = pick(kSources);
        const int op = pick(20);
        if (op < 12) {  // the usual: a source copied to one of a few places
            const RECT part = parts[pick(2)];
            const int* at = places[pick(4)];
            const bool keyed = op % 3 != 0;
            if (op % 4 == 1) {
                RECT p = part;
                ASSERT_EQ(dst->BltFast(static_cast<DWORD>(at[0]), static_cast<DWORD>(at[1]), src[i],
                                       &p, keyed ? DDBLTFAST_SRCCOLORKEY : 0),
                          DD_OK);
            } else {
                RECT p = part;
                RECT d{at[0], at[1], at[0] + part.right - part.left,
                       at[1] + part.bottom - part.top};
                ASSERT_EQ(
                    dst->Blt(&d, src[i], &p, DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), nullptr),
                    DD_OK);
            }
            copyModel(i, part, at[0], at[1], keyed);
        } else if (op < 14) {  // the destination drawn over
            const int x = pick(kDw - 4), y = pick(kDh - 4), w = 1 + pick(4), h = 1 + pick(4);
            RECT r{x, y, x + w, y + h};
            const std::uint16_t c = colours[pick(5)];
            ASSERT_EQ(fill(dst, &r, c), DD_OK);
            for (int py = y; py < y + h; ++py)
                for (int px = x; px < x + w; ++px) dm.px[static_cast<size_t>(py * kDw + px)] = c;
        } else if (op == 14) {  // a source filled
            const int x = pick(kSw), y = pick(kSh);
            const std::uint16_t c = colours[pick(5)];
            setPixel(src[i], x, y, c);
            sm[i].px[static_cast<size_t>(y * kSw + x)] = c;
        } else if (op == 15) {  // a source row written through a lock
            const int y = pick(kSh);
            for (int x = 0; x < kSw; ++x)
                sm[i].px[static_cast<size_t>(y * kSw + x)] = colours[pick(5)];
            store(src[i], sm[i], y, 1);
        } else if (op == 16) {  // a source copied onto from the destination
            RECT from{8, 8, 8 + kSw, 8 + kSh};
            ASSERT_EQ(src[i]->Blt(nullptr, dst, &from, DDBLT_WAIT, nullptr), DD_OK);
            for (int y = 0; y < kSh; ++y)
                for (int x = 0; x < kSw; ++x)
                    sm[i].px[static_cast<size_t>(y * kSw + x)] =
                        dm.px[static_cast<size_t>((8 + y) * kDw + 8 + x)];
        } else if (op == 17) {  // another key
            sm[i].keyed = true;
            sm[i].key = colours[pick(3)];
            key(src[i], sm[i].key);
        } else if (op == 18) {  // no key
            ASSERT_EQ(src[i]->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
            sm[i].keyed = false;
        } else {  // released, and a new source made (often where the old one was)
            newSource(i);
        }
        ASSERT_EQ(readOnly(dst, kDw, kDh), dm.px) << "after step " << step << " (" << op << ")";
    }
}

}  // namespace
