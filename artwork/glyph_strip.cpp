#include "artwork/glyph_strip.h"

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace art {
namespace {

constexpr int kFirst = 33;
constexpr int kLast = 126;
constexpr int kGlyphs = kLast - kFirst + 1;
constexpr int kCellWidth = 72;
constexpr int kCellLeft = 12;
constexpr int kGap = 2;  // empty columns between glyphs

// A pixel survives the transparency flattening of writeBmp when it is at least half covered.
bool drawn(std::uint32_t argb) {
    return (argb >> 24) >= 128;
}

std::string markupFor(char ch) {
    switch (ch) {
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '&':
            return "&amp;";
        default:
            return std::string(1, ch);
    }
}

std::uint32_t opaque(Rgb c) {
    auto channel = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::fmin(std::fmax(v, 0.0), 1.0) * 255));
    };
    return 0xFF000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// One glyph's columns, top to bottom, in Cairo's premultiplied ARGB.
using Column = std::vector<std::uint32_t>;

std::vector<Column> renderGlyph(char ch, const GlyphStyle& style) {
    Canvas cell(kCellWidth, style.height);
    cell.text(markupFor(ch), style.font, kCellLeft, style.top, 0, 0, style.colour);
    cairo_surface_t* surface = cairo_get_target(cell.cr());
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    auto at = [&](int x, int y) {
        return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
    };
    auto columnDrawn = [&](int x) {
        for (int y = 0; y < style.height; ++y)
            if (drawn(at(x, y))) return true;
        return false;
    };
    int first = -1, last = -1;
    for (int x = 0; x < kCellWidth; ++x) {
        if (columnDrawn(x)) {
            if (first < 0) first = x;
            last = x;
        }
    }
    std::vector<Column> columns;
    if (first < 0) return columns;
    const std::uint32_t bridge = opaque(style.matte);
    for (int x = first; x <= last; ++x) {
        Column col(static_cast<size_t>(style.height));
        for (int y = 0; y < style.height; ++y) col[y] = at(x, y);
        // A glyph in parts (a double quote) is joined along its bottom row in the
        // background colour, so that it reads as one run and the join stays unseen.
        if (!columnDrawn(x)) col[style.height - 1] = bridge;
        columns.push_back(std::move(col));
    }
    return columns;
}

}  // namespace

bool writeGlyphStrip(const std::string& path, const GlyphStyle& style) {
    std::vector<std::vector<Column>> glyphs;
    int width = 0;
    for (int ch = kFirst; ch <= kLast; ++ch) {
        glyphs.push_back(renderGlyph(static_cast<char>(ch), style));
        if (glyphs.back().empty()) {
            std::fprintf(stderr, "artgen: %s: glyph %d draws nothing\n", path.c_str(), ch);
            return false;
        }
        width += static_cast<int>(glyphs.back().size()) + (ch == kLast ? 0 : kGap);
    }
    Canvas strip(width, style.height);
    cairo_surface_t* surface = cairo_get_target(strip.cr());
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    int x = 0;
    for (const auto& glyph : glyphs) {
        for (const Column& col : glyph) {
            for (int y = 0; y < style.height; ++y)
                reinterpret_cast<std::uint32_t*>(data + y * stride)[x] = col[y];
            ++x;
        }
        x += kGap;
    }
    cairo_surface_mark_dirty(surface);
    if (!strip.writeBmp(path, true, style.matte)) {
        std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
        return false;
    }
    const int runs = countGlyphRuns(path);
    if (runs != kGlyphs) {
        std::fprintf(stderr, "artgen: %s holds %d glyph runs, not %d\n", path.c_str(), runs,
                     kGlyphs);
        return false;
    }
    return true;
}

int countGlyphRuns(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return -1;
    auto get32 = [&](size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | file[at + i];
        return v;
    };
    const std::uint32_t offset = get32(10);
    const auto width = static_cast<std::int32_t>(get32(18));
    const auto height = static_cast<std::int32_t>(get32(22));
    if (file[28] != 24 || width <= 0 || height <= 0) return -1;
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (file.size() < offset + rowBytes * static_cast<size_t>(height)) return -1;
    int runs = 0;
    bool inRun = false;
    for (std::int32_t x = 0; x < width; ++x) {
        bool empty = true;
        for (std::int32_t y = 0; y < height && empty; ++y) {
            const unsigned char* p = &file[offset + rowBytes * static_cast<size_t>(y) + x * 3];
            empty = p[0] == 255 && p[1] == 0 && p[2] == 0;  // stored blue, green, red
        }
        if (!empty && !inRun) ++runs;
        inRun = !empty;
    }
    return runs;
}

}  // namespace art
