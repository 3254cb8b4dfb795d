// The menu pictures' shared pieces: saving, the backdrop, panels, pages, button strips and
// the ring emblem.
#include "artwork/menu_look.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace art {

void drawPanel(Canvas& c, double x, double y, double w, double h, double r, double alpha,
               Rgb fill) {
    drawShadow(c, x, y, w, h, r);
    c.roundedRect(x, y, w, h, r);
    c.setColour(fill, alpha);
    cairo_fill_preserve(c.cr());
    c.setColour(darker(palette::sky, 0.35));
    cairo_set_line_width(c.cr(), 1.5);
    cairo_stroke(c.cr());
}

void drawBackdrop(Canvas& c) {
    c.verticalGradient(0, 0, c.width(), c.height(), palette::paper, palette::sky);
    const double bubbles[][3] = {
        {70, 560, 80}, {760, 250, 70}, {640, 590, 46}, {420, 40, 30}, {250, 600, 36}};
    for (const auto& b : bubbles) {
        cairo_arc(c.cr(), b[0], b[1], b[2], 0, 2 * M_PI);
        cairo_set_source_rgba(c.cr(), 1, 1, 1, 0.35);
        cairo_fill(c.cr());
    }
}

void drawSheet(Canvas& c, Rgb rim) {
    cairo_t* cr = c.cr();
    c.roundedRect(3, 3, c.width() - 6, c.height() - 6, 26);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, c.height());
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.99, 0.96);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.93, 0.95, 1);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    c.setColour(rim);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
}

bool labelStrip(const std::string& folder, const std::string& name, int w, int h, int count,
                const std::string& label, Rgb colour, const std::string& font, Rgb matte) {
    Canvas c(w * count, h);
    for (int state = 0; state < count; ++state) {
        const Rgb face = state == 2 ? darker(colour, 0.25) : colour;
        drawButtonFace(c, state * w, 0, w, h, label, face, state == 1, font);
    }
    return save(c, folder, name, true, matte);
}

void fillSymbol(Canvas& c, Rgb colour) {
    cairo_t* cr = c.cr();
    c.setColour(darker(colour, 0.55));
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    c.setColour(kWhite);
    cairo_fill(cr);
}

void drawRingEmblem(Canvas& c, double cx, double cy, double scale) {
    cairo_t* cr = c.cr();
    const double d = 40 * scale, r = 56 * scale, track = 26 * scale, chip = 11 * scale;
    const double rx[3] = {cx - d, cx + d, cx};
    const double ry[3] = {cy - d * 0.58, cy - d * 0.58, cy + d * 0.62};
    const Rgb rings[3] = {palette::ringBlue, palette::ringYellow, palette::ringMagenta};
    // The colours each ring accepts, in strip order (M C Y R G B).
    const int accepted[3][3] = {{1, 5, 4}, {2, 3, 4}, {0, 3, 5}};
    for (int k = 0; k < 3; ++k) {
        cairo_new_path(cr);
        cairo_set_line_width(cr, track + 4);
        cairo_arc(cr, rx[k], ry[k], r, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0.1, 0.12, 0.3, 0.10);
        cairo_stroke(cr);
        cairo_set_line_width(cr, track);
        cairo_arc(cr, rx[k], ry[k], r, 0, 2 * M_PI);
        const Rgb t = lighter(rings[k], 0.45);
        cairo_set_source_rgba(cr, t.r, t.g, t.b, 0.70);
        cairo_stroke(cr);
        cairo_set_line_width(cr, 1.5);
        const Rgb e = darker(rings[k], 0.15);
        cairo_set_source_rgba(cr, e.r, e.g, e.b, 0.8);
        cairo_arc(cr, rx[k], ry[k], r + track / 2, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_arc(cr, rx[k], ry[k], r - track / 2, 0, 2 * M_PI);
        cairo_stroke(cr);
    }
    // Chips: twelve per ring, leaving out those that would sit on a chip already placed.
    double placed[36][2];
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 12; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 6 + k * 0.21;
            const double x = rx[k] + r * std::cos(a), y = ry[k] + r * std::sin(a);
            bool clash = false;
            for (int j = 0; j < count; ++j)
                if (std::hypot(placed[j][0] - x, placed[j][1] - y) < chip * 2.1) clash = true;
            if (clash) continue;
            placed[count][0] = x;
            placed[count][1] = y;
            ++count;
            cairo_new_path(cr);
            drawChip(c, accepted[k][i % 3], x, y, chip);
        }
    }
}

}  // namespace art
