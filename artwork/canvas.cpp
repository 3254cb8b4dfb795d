#include "artwork/canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace art {

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb lighter(Rgb c, double t) { return mix(c, {1, 1, 1}, t); }
Rgb darker(Rgb c, double t) { return mix(c, {0, 0, 0}, t); }

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void Canvas::setColour(Rgb c, double alpha) { cairo_set_source_rgba(cr_, c.r, c.g, c.b, alpha); }

void Canvas::fill(Rgb c) {
    cairo_save(cr_);
    setColour(c);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

void Canvas::verticalGradient(double x, double y, double w, double h, Rgb top, Rgb bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    addColourStop(p, 0, top);
    addColourStop(p, 1, bottom);
    cairo_save(cr_);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_set_source(cr_, p);
    cairo_fill(cr_);
    cairo_restore(cr_);
    cairo_pattern_destroy(p);
}

void Canvas::roundedRect(double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr_, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr_, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr_, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr_);
}

namespace {

PangoLayout* makeLayout(cairo_t* cr, const std::string& markup, const std::string& font,
                        double width, int align) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    // Fixed resolution and hinting so the lettering is the same on every machine.
    PangoContext* context = pango_layout_get_context(layout);
    pango_cairo_context_set_resolution(context, 96);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);

    PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_markup(layout, markup.c_str(), -1);
    if (width > 0) {
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    }
    pango_layout_set_alignment(layout, align == 1   ? PANGO_ALIGN_CENTER
                                       : align == 2 ? PANGO_ALIGN_RIGHT
                                                    : PANGO_ALIGN_LEFT);
    return layout;
}

}  // namespace

double Canvas::text(const std::string& markup, const std::string& font, double x, double y,
                    double width, int align, Rgb colour, double alpha) {
    PangoLayout* layout = makeLayout(cr_, markup, font, width, align);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_save(cr_);
    setColour(colour, alpha);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
    g_object_unref(layout);
    return h;
}

void Canvas::measureText(const std::string& markup, const std::string& font, double width, int* w,
                         int* h) const {
    PangoLayout* layout = makeLayout(cr_, markup, font, width, 0);
    pango_layout_get_pixel_size(layout, w, h);
    g_object_unref(layout);
}

double Canvas::outlinedText(const std::string& markup, const std::string& font, double x,
                            double y, double width, int align, Rgb colour, Rgb outline,
                            double outlineWidth) {
    PangoLayout* layout = makeLayout(cr_, markup, font, width, align);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_save(cr_);
    cairo_move_to(cr_, x, y);
    pango_cairo_layout_path(cr_, layout);
    setColour(outline);
    cairo_set_line_width(cr_, outlineWidth * 2);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr_);
    setColour(colour);
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
    g_object_unref(layout);
    return h;
}

void Canvas::paste(const Canvas& other, double x, double y) {
    cairo_surface_flush(other.surface_);
    cairo_save(cr_);
    cairo_set_source_surface(cr_, other.surface_, x, y);
    cairo_paint(cr_);
    cairo_restore(cr_);
}

bool Canvas::writeBmp(const std::string& path, bool keyed, Rgb matte) const {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    const int rowBytes = (width_ * 3 + 3) & ~3;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes) * height_;
    std::vector<unsigned char> out(54 + imageSize, 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width_));
    put32(22, static_cast<std::uint32_t>(height_));
    out[26] = 1;
    out[28] = 24;
    put32(34, imageSize);
    put32(38, 2835);
    put32(42, 2835);
    const int mr = static_cast<int>(std::lround(matte.r * 255));
    const int mg = static_cast<int>(std::lround(matte.g * 255));
    const int mb = static_cast<int>(std::lround(matte.b * 255));
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        unsigned char* dst = out.data() + 54 + static_cast<size_t>(height_ - 1 - y) * rowBytes;
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t p = row[x];
            const int a = static_cast<int>(p >> 24);
            // Cairo keeps premultiplied colour: composite over the matte.
            int r = static_cast<int>((p >> 16) & 0xFF) + (mr * (255 - a) + 127) / 255;
            int g = static_cast<int>((p >> 8) & 0xFF) + (mg * (255 - a) + 127) / 255;
            int b = static_cast<int>(p & 0xFF) + (mb * (255 - a) + 127) / 255;
            r = std::min(r, 255);
            g = std::min(g, 255);
            b = std::min(b, 255);
            if (keyed && a < 128) {
                r = 0;
                g = 0;
                b = 255;
            } else if (r < 8 && g < 4 && b >= 248) {
                // Would turn into the transparent colour at 16 bits, and keyed copies
                // would skip it: keep drawn pixels clear of it.
                g = 4;
            }
            dst[x * 3 + 0] = static_cast<unsigned char>(b);
            dst[x * 3 + 1] = static_cast<unsigned char>(g);
            dst[x * 3 + 2] = static_cast<unsigned char>(r);
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

bool Canvas::writePng(const std::string& path) const {
    cairo_surface_flush(surface_);
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace art
