#include "artwork/icons.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "artwork/look.h"

namespace art {
namespace {

// Icons are drawn on a 256-unit square scaled to the icon's size; `px` is one pixel of the
// icon in those units, so that rims stay a pixel wide at every size.
constexpr double kUnits = 256;

void scaleToUnits(Canvas& c) {
    cairo_scale(c.cr(), c.width() / kUnits, c.height() / kUnits);
}

// A glossy ring track: an annulus in the ring's colour, lit from the upper left, with dark
// rims and a soft highlight along its upper edge.
void drawTrack(Canvas& c, double cx, double cy, double r, double width, Rgb colour, double px) {
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_new_path(cr);
    // Shadow.
    cairo_arc(cr, cx + 1.5 * px, cy + 2.5 * px, r, 0, 2 * M_PI);
    cairo_set_line_width(cr, width);
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.30);
    cairo_stroke(cr);
    // Body.
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_pattern_t* p =
        cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.5, r * 0.2, cx, cy, r + width / 2);
    const Rgb hi = lighter(colour, 0.45), lo = darker(colour, 0.20);
    addColourStop(p, 0, hi);
    addColourStop(p, 0.75, colour);
    addColourStop(p, 1, lo);
    cairo_set_source(cr, p);
    cairo_stroke(cr);
    cairo_pattern_destroy(p);
    // Rims.
    const Rgb rim = darker(colour, 0.45);
    c.setColour(rim);
    cairo_set_line_width(cr, std::max(1.2, px));
    cairo_arc(cr, cx, cy, r + width / 2, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, r - width / 2, 0, 2 * M_PI);
    cairo_stroke(cr);
    // Gloss along the upper half.
    cairo_set_line_width(cr, width * 0.28);
    cairo_arc(cr, cx, cy, r + width * 0.18, M_PI * 1.08, M_PI * 1.82);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.42);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Tintaro: the three overlapping rings in their colours, each with chips of the colours it
// accepts, as a solved board shows them. Small sizes drop the chips and widen the tracks.
void drawTintaroIcon(Canvas& c) {
    const int size = c.width();
    const double px = kUnits / size;
    const bool chips = size >= 32;
    const double width = chips ? 32 : 44;
    const double r = chips ? 60 : 56;
    // Centres on an equilateral triangle, the whole centred in the square.
    const double d = (240 - 2 * r - width) / 2;
    const double h = 2 * d * std::sqrt(3.0) / 2;
    const double rx[3] = {128 - d, 128 + d, 128};
    const double ry[3] = {128 - h / 2, 128 - h / 2, 128 + h / 2};
    const Rgb rings[3] = {palette::ringBlue, palette::ringYellow, palette::ringMagenta};
    // The colours each ring accepts, in strip order (M C Y R G B).
    const int accepted[3][3] = {{1, 5, 4}, {2, 3, 4}, {0, 3, 5}};

    cairo_save(c.cr());
    scaleToUnits(c);
    for (int k = 0; k < 3; ++k) drawTrack(c, rx[k], ry[k], r, width, rings[k], px);
    if (chips) {
        // Chips evenly along each ring, left out where another ring's track or a chip
        // already placed would overlap them; fewer and larger on small icons.
        const int slots = size >= 48 ? 10 : 6;
        const double chipRadius = size >= 48 ? 14 : 17;
        double placed[30][2];
        int count = 0;
        for (int k = 0; k < 3; ++k) {
            for (int i = 0; i < slots; ++i) {
                const double a = -M_PI / 2 + (i + 0.5 * k) * 2 * M_PI / slots;
                const double x = rx[k] + r * std::cos(a), y = ry[k] + r * std::sin(a);
                bool clear = true;
                for (int j = 0; j < 3; ++j) {
                    if (j != k && std::abs(std::hypot(x - rx[j], y - ry[j]) - r) <
                                      width / 2 + chipRadius * 0.8)
                        clear = false;
                }
                for (int j = 0; j < count; ++j) {
                    if (std::hypot(x - placed[j][0], y - placed[j][1]) < chipRadius * 2.1)
                        clear = false;
                }
                if (!clear) continue;
                placed[count][0] = x;
                placed[count][1] = y;
                ++count;
                cairo_new_path(c.cr());
                drawChip(c, accepted[k][count % 3], x, y, chipRadius);
            }
        }
    }
    cairo_restore(c.cr());
}

// Gatefold: a glossy arched gate with its two leaves swung open, and inside it a grid of
// four game tiles with a chip in the arch; small sizes leave out the leaves and the chip.
void drawGatefoldIcon(Canvas& c) {
    cairo_t* cr = c.cr();
    const int size = c.width();
    const double px = kUnits / size;
    const bool detailed = size >= 32;
    const Rgb frame = palette::button;
    const Rgb rim = darker(frame, 0.45);
    const double cx = 128, springY = 112;  // where the arch meets its posts
    const double outerR = detailed ? 78 : 92, post = detailed ? 24 : 28;
    const double innerR = outerR - post, bottom = 238;

    cairo_save(cr);
    scaleToUnits(c);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);

    // Soft ground shadow.
    cairo_save(cr);
    cairo_translate(cr, cx, bottom - 2);
    cairo_scale(cr, 120, 12);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_source_rgba(cr, 0.05, 0.08, 0.2, 0.22);
    cairo_fill(cr);

    if (detailed) {
        // The open leaves, hinged on the posts and turned towards the viewer: narrower than
        // the opening and taller at their free edge.
        for (int side = -1; side <= 1; side += 2) {
            const double hinge = cx + side * outerR, edge = cx + side * (outerR + 36);
            cairo_new_path(cr);
            cairo_move_to(cr, hinge, springY - 30);
            cairo_line_to(cr, edge, springY - 50);
            cairo_line_to(cr, edge, bottom + 4);
            cairo_line_to(cr, hinge, bottom - 4);
            cairo_close_path(cr);
            const Rgb leaf = darker(palette::ringMagenta, 0.05);
            fillGlossyBody(c, springY - 50, bottom, leaf, false);
            c.setColour(darker(leaf, 0.5));
            cairo_set_line_width(cr, std::max(1.5, px));
            cairo_stroke(cr);
            // A lit panel on each leaf.
            const double inset = 8;
            cairo_new_path(cr);
            cairo_move_to(cr, hinge + side * inset, springY - 22);
            cairo_line_to(cr, edge - side * inset, springY - 38);
            cairo_line_to(cr, edge - side * inset, springY + 40);
            cairo_line_to(cr, hinge + side * inset, springY + 44);
            cairo_close_path(cr);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.30);
            cairo_fill(cr);
        }
    }

    // The opening: a bright sky behind the tiles.
    cairo_new_path(cr);
    cairo_arc(cr, cx, springY, innerR, M_PI, 2 * M_PI);
    cairo_line_to(cr, cx + innerR, bottom);
    cairo_line_to(cr, cx - innerR, bottom);
    cairo_close_path(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, springY - innerR, 0, bottom);
    addColourStop(sky, 0, palette::paper);
    addColourStop(sky, 1, palette::sky);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);

    // Four game tiles, two by two, in the rings' colours and green.
    const Rgb tiles[4] = {palette::ringBlue, palette::ringYellow, palette::ringMagenta,
                          chipColour(4)};
    const double tile = detailed ? 38 : 44, gap = detailed ? 8 : 6;
    const double tileTop = bottom - 12 - 2 * tile - gap;
    for (int i = 0; i < 4; ++i) {
        const double x = cx - tile - gap / 2 + (i % 2) * (tile + gap);
        const double y = tileTop + (i / 2) * (tile + gap);
        if (detailed) {
            drawBlock(c, x, y, tile, tile, tiles[i]);
        } else {
            // Flat with a one-pixel rim, which reads better at a few pixels.
            cairo_new_path(cr);
            c.roundedRect(x, y, tile, tile, 6);
            c.setColour(tiles[i]);
            cairo_fill_preserve(cr);
            c.setColour(darker(tiles[i], 0.4));
            cairo_set_line_width(cr, px);
            cairo_stroke(cr);
        }
    }
    if (detailed) {
        cairo_new_path(cr);
        drawChip(c, 5, cx, springY - innerR * 0.42, 17);
    }

    // The gate: posts and arch in one glossy body.
    cairo_new_path(cr);
    cairo_arc(cr, cx, springY, outerR, M_PI, 2 * M_PI);
    cairo_line_to(cr, cx + outerR, bottom);
    cairo_line_to(cr, cx + innerR, bottom);
    cairo_line_to(cr, cx + innerR, springY);
    cairo_arc_negative(cr, cx, springY, innerR, 2 * M_PI, M_PI);
    cairo_line_to(cr, cx - innerR, bottom);
    cairo_line_to(cr, cx - outerR, bottom);
    cairo_close_path(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(cx - outerR, 0, cx + outerR, 0);
    const Rgb hi = lighter(frame, 0.40), lo = darker(frame, 0.25);
    addColourStop(body, 0, lo);
    addColourStop(body, 0.3, hi);
    addColourStop(body, 1, lo);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    c.setColour(rim);
    cairo_set_line_width(cr, std::max(1.5, px));
    cairo_stroke(cr);
    // Gloss along the arch.
    cairo_new_path(cr);
    cairo_arc(cr, cx, springY, outerR - post * 0.32, M_PI * 1.12, M_PI * 1.6);
    cairo_set_line_width(cr, post * 0.30);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
    cairo_stroke(cr);
    cairo_restore(cr);
}

bool savePng(const Canvas& c, const std::string& path) {
    if (c.writePng(path)) return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
}

bool saveBmp(const Canvas& c, const std::string& path) {
    if (c.writeBmp(path, true, palette::paper)) return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

bool writeDesktopIcons(const std::string& iconFolder) {
    for (int size : kIconSizes) {
        const std::string folder =
            iconFolder + "/" + std::to_string(size) + "x" + std::to_string(size);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        Canvas menu(size, size), game(size, size);
        drawGatefoldIcon(menu);
        drawTintaroIcon(game);
        if (!savePng(menu, folder + "/gatefold.png") || !savePng(game, folder + "/tintaro.png"))
            return false;
    }
    return true;
}

bool writeWindowIcons(const std::string& menuFolder, const std::string& gameFolder) {
    Canvas menu(64, 64), game(64, 64);
    drawGatefoldIcon(menu);
    drawTintaroIcon(game);
    return saveBmp(menu, menuFolder + "/icon.bmp") && saveBmp(game, gameFolder + "/icon.bmp");
}

}  // namespace art
