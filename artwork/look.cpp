#include "artwork/look.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace art {

Rgb chipColour(int frame) {
    static const Rgb colours[6] = {
        {0.870, 0.220, 0.690},  // M magenta
        {0.130, 0.760, 0.860},  // C cyan
        {0.980, 0.820, 0.140},  // Y yellow
        {0.890, 0.200, 0.190},  // R red
        {0.250, 0.740, 0.290},  // G green
        {0.200, 0.360, 0.900},  // B blue
    };
    return colours[frame];
}

const char* chipName(int frame) {
    static const char* names[6] = {"magenta", "cyan", "yellow", "red", "green", "blue"};
    return names[frame];
}

namespace {

// The symbol that tells each colour apart without seeing colour.
void symbolPath(cairo_t* cr, int frame, double cx, double cy, double s) {
    switch (frame) {
        case 0:  // magenta: diamond
            cairo_move_to(cr, cx, cy - s);
            cairo_line_to(cr, cx + s * 0.8, cy);
            cairo_line_to(cr, cx, cy + s);
            cairo_line_to(cr, cx - s * 0.8, cy);
            cairo_close_path(cr);
            break;
        case 1:  // cyan: ring
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx, cy, s * 0.85, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc_negative(cr, cx, cy, s * 0.42, 2 * M_PI, 0);
            break;
        case 2:  // yellow: triangle
            cairo_move_to(cr, cx, cy - s);
            cairo_line_to(cr, cx + s * 0.95, cy + s * 0.7);
            cairo_line_to(cr, cx - s * 0.95, cy + s * 0.7);
            cairo_close_path(cr);
            break;
        case 3:  // red: square
            cairo_rectangle(cr, cx - s * 0.72, cy - s * 0.72, s * 1.44, s * 1.44);
            break;
        case 4: {  // green: plus
            const double a = s * 0.95, b = s * 0.32;
            cairo_move_to(cr, cx - b, cy - a);
            cairo_line_to(cr, cx + b, cy - a);
            cairo_line_to(cr, cx + b, cy - b);
            cairo_line_to(cr, cx + a, cy - b);
            cairo_line_to(cr, cx + a, cy + b);
            cairo_line_to(cr, cx + b, cy + b);
            cairo_line_to(cr, cx + b, cy + a);
            cairo_line_to(cr, cx - b, cy + a);
            cairo_line_to(cr, cx - b, cy + b);
            cairo_line_to(cr, cx - a, cy + b);
            cairo_line_to(cr, cx - a, cy - b);
            cairo_line_to(cr, cx - b, cy - b);
            cairo_close_path(cr);
            break;
        }
        default: {  // blue: five-pointed star
            for (int i = 0; i < 10; ++i) {
                const double ang = -M_PI / 2 + i * M_PI / 5;
                const double rr = (i % 2 == 0) ? s : s * 0.45;
                const double x = cx + rr * std::cos(ang), y = cy + rr * std::sin(ang) + s * 0.08;
                if (i == 0)
                    cairo_move_to(cr, x, y);
                else
                    cairo_line_to(cr, x, y);
            }
            cairo_close_path(cr);
            break;
        }
    }
}

}  // namespace

void drawChip(Canvas& c, int frame, double cx, double cy, double radius) {
    cairo_t* cr = c.cr();
    const Rgb base = chipColour(frame);
    // Shadow.
    cairo_save(cr);
    cairo_arc(cr, cx + 1.2, cy + 2.0, radius, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0.1, 0.28);
    cairo_fill(cr);
    // Body: a radial gradient lit from the upper left.
    cairo_pattern_t* body = cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.4,
                                                        radius * 0.1, cx, cy, radius);
    const Rgb hi = lighter(base, 0.45), lo = darker(base, 0.30);
    addColourStop(body, 0, hi);
    addColourStop(body, 0.7, base);
    addColourStop(body, 1, lo);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    const Rgb rim = darker(base, 0.45);
    cairo_set_source_rgb(cr, rim.r, rim.g, rim.b);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Symbol, white with a dark edge so it reads on every colour.
    symbolPath(cr, frame, cx, cy + 1, radius * 0.46);
    cairo_set_source_rgba(cr, rim.r * 0.6, rim.g * 0.6, rim.b * 0.6, 0.85);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
    cairo_fill(cr);
    // Gloss.
    cairo_pattern_t* gloss = cairo_pattern_create_linear(0, cy - radius, 0, cy);
    cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, 0.65);
    cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0.0);
    cairo_save(cr);
    cairo_translate(cr, cx, cy - radius * 0.45);
    cairo_scale(cr, radius * 0.72, radius * 0.42);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    cairo_restore(cr);
}

void drawBlock(Canvas& c, double x, double y, double w, double h, Rgb colour) {
    cairo_t* cr = c.cr();
    cairo_save(cr);
    c.roundedRect(x, y, w, h, 6);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    const Rgb hi = lighter(colour, 0.35), lo = darker(colour, 0.15);
    addColourStop(p, 0, hi);
    addColourStop(p, 1, lo);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    const Rgb rim = darker(colour, 0.4);
    c.setColour(rim);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    c.roundedRect(x + 3, y + 2.5, w - 6, h * 0.42, 4);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.42);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawShadow(Canvas& c, double x, double y, double w, double h, double r) {
    cairo_t* cr = c.cr();
    cairo_save(cr);
    for (int i = 4; i >= 1; --i) {
        c.roundedRect(x - i + 2, y - i + 3, w + 2 * i - 2, h + 2 * i - 2, r + i);
        cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.045);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

// A glossy round button body centred at (cx, cy).
void drawRoundBody(Canvas& c, double cx, double cy, double r, Rgb colour, bool lit) {
    cairo_t* cr = c.cr();
    const Rgb base = lit ? lighter(colour, 0.25) : colour;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx + 0.8, cy + 1.6, r, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.35);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    fillGlossyBody(c, cy - r, cy + r, base, lit);
    cairo_save(cr);
    cairo_translate(cr, cx, cy - r * 0.45);
    cairo_scale(cr, r * 0.70, r * 0.40);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.42 : 0.30);
    cairo_fill(cr);
    cairo_restore(cr);
}

namespace {

// The pad's face buttons in their usual colours.
Rgb faceColour(PadControl control) {
    switch (control) {
        case PadControl::A:
            return {0.250, 0.640, 0.300};
        case PadControl::B:
            return {0.850, 0.250, 0.230};
        case PadControl::X:
            return {0.200, 0.420, 0.900};
        default:
            return {0.960, 0.730, 0.100};
    }
}

// The pad's body colour, for the d-pad and the Start button.
constexpr Rgb kPadSlate{0.330, 0.370, 0.470};

// A Pango font name of the family at `points`, never below the smallest lettering the
// pictures use anywhere.
std::string fontAt(const char* family, double points) {
    char name[64];
    std::snprintf(name, sizeof name, "%s %.1f", family, std::max(9.5, points));
    return name;
}

// White lettering with a dark edge, centred in the box (x, cy) of width w.
void centredLetters(Canvas& c, const std::string& text, const std::string& font, double x,
                    double cy, double w, Rgb base) {
    int tw = 0, th = 0;
    c.measureText(text, font, 0, &tw, &th);
    c.outlinedText(text, font, x, cy - th * 0.5, w, 1, {1, 1, 1}, darker(base, 0.55), 0.9);
}

}  // namespace

double drawPadControl(Canvas& c, PadControl control, double x, double cy, double size, bool draw) {
    cairo_t* cr = c.cr();
    const std::string font = fontAt("DejaVu Sans Bold", size * 0.5);
    switch (control) {
        case PadControl::DPad: {
            if (!draw) return size;
            const double cx = x + size / 2, a = size * 0.5, b = size * 0.19;
            auto cross = [&](double dx, double dy) {
                cairo_new_path(cr);
                cairo_move_to(cr, cx - b + dx, cy - a + dy);
                cairo_line_to(cr, cx + b + dx, cy - a + dy);
                cairo_line_to(cr, cx + b + dx, cy - b + dy);
                cairo_line_to(cr, cx + a + dx, cy - b + dy);
                cairo_line_to(cr, cx + a + dx, cy + b + dy);
                cairo_line_to(cr, cx + b + dx, cy + b + dy);
                cairo_line_to(cr, cx + b + dx, cy + a + dy);
                cairo_line_to(cr, cx - b + dx, cy + a + dy);
                cairo_line_to(cr, cx - b + dx, cy + b + dy);
                cairo_line_to(cr, cx - a + dx, cy + b + dy);
                cairo_line_to(cr, cx - a + dx, cy - b + dy);
                cairo_line_to(cr, cx - b + dx, cy - b + dy);
                cairo_close_path(cr);
            };
            cairo_save(cr);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cross(0.8, 1.6);
            cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.35);
            cairo_fill(cr);
            cross(0, 0);
            fillGlossyBody(c, cy - a, cy + a, kPadSlate, false);
            // A small white arrowhead near the end of each arm.
            const double t = b * 0.9, at = a - b * 0.2, base = at - t * 1.1;
            for (int k = 0; k < 4; ++k) {
                const double ux = k == 0 ? 1 : k == 1 ? -1 : 0, uy = k == 2 ? 1 : k == 3 ? -1 : 0;
                cairo_move_to(cr, cx + ux * at, cy + uy * at);
                cairo_line_to(cr, cx + ux * base - uy * t, cy + uy * base + ux * t);
                cairo_line_to(cr, cx + ux * base + uy * t, cy + uy * base - ux * t);
                cairo_close_path(cr);
            }
            c.setColour({1, 1, 1}, 0.92);
            cairo_fill(cr);
            cairo_restore(cr);
            return size;
        }
        case PadControl::Start: {
            const std::string pillFont = fontAt("DejaVu Sans Condensed Bold", size * 0.48);
            int tw = 0, th = 0;
            c.measureText("Start", pillFont, 0, &tw, &th);
            const double w = tw + size * 0.7, h = std::max(size * 0.85, th + 3.0);
            if (!draw) return w;
            cairo_save(cr);
            c.roundedRect(x + 0.8, cy - h / 2 + 1.6, w, h, h / 2);
            cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.35);
            cairo_fill(cr);
            c.roundedRect(x, cy - h / 2, w, h, h / 2);
            fillGlossyBody(c, cy - h / 2, cy + h / 2, kPadSlate, false);
            cairo_restore(cr);
            centredLetters(c, "Start", pillFont, x, cy, w, kPadSlate);
            return w;
        }
        default: {
            if (!draw) return size;
            const Rgb colour = faceColour(control);
            const char* letter = control == PadControl::A   ? "A"
                                 : control == PadControl::B ? "B"
                                 : control == PadControl::X ? "X"
                                                            : "Y";
            drawRoundBody(c, x + size / 2, cy, size / 2, colour, false);
            centredLetters(c, letter, font, x, cy, size, colour);
            return size;
        }
    }
}

double drawLegend(Canvas& c, const std::vector<LegendRun>& runs, double x, double cy,
                  const std::string& font, Rgb colour, double size, bool draw) {
    const double gap = size * 0.15;  // either side of a picture
    double at = x;
    for (const LegendRun& run : runs) {
        if (const auto* control = std::get_if<PadControl>(&run)) {
            at += gap;
            at += drawPadControl(c, *control, at, cy, size, draw);
            at += gap;
        } else {
            const std::string& text = std::get<std::string>(run);
            int tw = 0, th = 0;
            c.measureText(text, font, 0, &tw, &th);
            // The middle of the lower-case letters lies a little below the line's middle.
            if (draw) c.text(text, font, at, cy - th * 0.562, 0, 0, colour);
            at += tw;
        }
    }
    return at - x;
}

void fillGlossyBody(Canvas& c, double top, double bottom, Rgb base, bool lit) {
    cairo_t* cr = c.cr();
    cairo_pattern_t* p = cairo_pattern_create_linear(0, top, 0, bottom);
    const Rgb hi = lighter(base, 0.35), lo = darker(base, 0.22);
    addColourStop(p, 0, hi);
    addColourStop(p, 1, lo);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    if (lit) {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.95);
        cairo_set_line_width(cr, 2.2);
    } else {
        c.setColour(darker(base, 0.45));
        cairo_set_line_width(cr, 1.2);
    }
    cairo_stroke(cr);
}

void drawButtonFace(Canvas& c, double x, double y, double w, double h, const std::string& label,
                    Rgb colour, bool lit, const std::string& font) {
    cairo_t* cr = c.cr();
    const Rgb base = lit ? lighter(colour, 0.25) : colour;
    cairo_save(cr);
    c.roundedRect(x + 1, y + 2, w - 2, h - 2, h * 0.32);
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.35);
    cairo_fill(cr);
    c.roundedRect(x + 1, y + 1, w - 2, h - 3, h * 0.32);
    fillGlossyBody(c, y, y + h, base, lit);
    c.roundedRect(x + 4, y + 3, w - 8, (h - 3) * 0.42, h * 0.22);
    cairo_set_source_rgba(cr, 1, 1, 1, lit ? 0.40 : 0.28);
    cairo_fill(cr);
    cairo_restore(cr);
    // Centre the label vertically by measuring it first on a scratch layout.
    Canvas scratch(1, 1);
    const double th = scratch.text(label, font, 0, 0, w - 4, 1, {1, 1, 1});
    c.outlinedText(label, font, x + 2, y + (h - 1 - th) / 2, w - 4, 1, {1, 1, 1},
                   darker(base, 0.55), 1.4);
}

void drawArcArrow(Canvas& c, double cx, double cy, double r, double a0, double a1, double width,
                  Rgb colour, bool lit) {
    cairo_t* cr = c.cr();
    const double dir = a1 > a0 ? 1.0 : -1.0;
    const double headLength = width * 1.25;
    const double headAngle = headLength / r;
    const double shaftEnd = a1 - dir * headAngle * 0.35;
    const Rgb base = lit ? lighter(colour, 0.30) : colour;
    const Rgb rim = darker(colour, 0.45);

    auto path = [&]() {
        // Shaft: the band between r - w/2 and r + w/2, round at its tail.
        const double ri = r - width / 2, ro = r + width / 2;
        cairo_new_path(cr);
        if (dir > 0) {
            cairo_arc(cr, cx, cy, ro, a0, shaftEnd);
        } else {
            cairo_arc_negative(cr, cx, cy, ro, a0, shaftEnd);
        }
        // Head: a triangle wider than the shaft, its tip further along the circle.
        const double hb = width * 0.95;
        const double tip = a1 + dir * headAngle * 0.65;
        cairo_line_to(cr, cx + (ro + hb * 0.45) * std::cos(shaftEnd),
                      cy + (ro + hb * 0.45) * std::sin(shaftEnd));
        cairo_line_to(cr, cx + r * std::cos(tip), cy + r * std::sin(tip));
        cairo_line_to(cr, cx + (ri - hb * 0.45) * std::cos(shaftEnd),
                      cy + (ri - hb * 0.45) * std::sin(shaftEnd));
        if (dir > 0) {
            cairo_arc_negative(cr, cx, cy, ri, shaftEnd, a0);
        } else {
            cairo_arc(cr, cx, cy, ri, shaftEnd, a0);
        }
        // Round tail: a half circle from the inner edge back round to the outer edge.
        const double tx = cx + r * std::cos(a0), ty = cy + r * std::sin(a0);
        if (dir > 0) {
            cairo_arc(cr, tx, ty, width / 2, a0 + M_PI, a0 + 2 * M_PI);
        } else {
            cairo_arc_negative(cr, tx, ty, width / 2, a0 + M_PI, a0);
        }
        cairo_close_path(cr);
    };
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    // Shadow.
    cairo_save(cr);
    cairo_translate(cr, 1.0, 1.8);
    path();
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.30);
    cairo_fill(cr);
    cairo_restore(cr);
    path();
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, r - width, cx, cy, r + width);
    const Rgb hi = lighter(base, 0.40), lo = darker(base, 0.15);
    addColourStop(p, 0, hi);
    addColourStop(p, 1, lo);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    if (lit) {
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_set_line_width(cr, 2.4);
    } else {
        c.setColour(rim);
        cairo_set_line_width(cr, 1.4);
    }
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool save(const Canvas& c, const std::string& folder, const std::string& name, bool keyed,
          Rgb matte) {
    const std::string path = folder + "/" + name;
    if (c.writeBmp(path, keyed, matte)) return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace art
