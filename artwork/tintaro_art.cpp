#include "artwork/tintaro_art.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "artwork/look.h"

namespace art {
namespace {

// Reference points of the thirty cells; a chip's centre lies 22 pixels right of it.
constexpr int kCells[30][2] = {
    {262, 114}, {320, 114}, {423, 114}, {481, 114}, {212, 142}, {371, 142}, {531, 142}, {184, 192},
    {343, 192}, {400, 192}, {559, 192}, {184, 249}, {343, 249}, {400, 249}, {559, 249}, {292, 278},
    {451, 278}, {212, 300}, {371, 300}, {531, 300}, {262, 329}, {320, 329}, {423, 329}, {481, 329},
    {263, 387}, {480, 387}, {293, 437}, {452, 437}, {343, 465}, {401, 465}};
constexpr int kRingCells[3][12] = {{0, 4, 7, 11, 17, 20, 21, 18, 13, 9, 5, 1},
                                   {2, 5, 8, 12, 18, 22, 23, 19, 14, 10, 6, 3},
                                   {12, 15, 20, 24, 26, 28, 29, 27, 25, 23, 16, 13}};
constexpr double kChipOffsetX = 22;
constexpr double kTrackWidth = 54;

Rgb ringColour(int ring) {
    return ring == 0 ? palette::ringBlue : ring == 1 ? palette::ringYellow : palette::ringMagenta;
}

struct Circle {
    double x, y, r;
};

// The ring's track: the circle through the centres of its twelve chips.
Circle ringCircle(int ring) {
    double sx = 0, sy = 0;
    for (int c : kRingCells[ring]) {
        sx += kCells[c][0] + kChipOffsetX;
        sy += kCells[c][1];
    }
    const double cx = sx / 12, cy = sy / 12;
    double r = 0;
    for (int c : kRingCells[ring])
        r += std::hypot(kCells[c][0] + kChipOffsetX - cx, kCells[c][1] - cy);
    return {cx, cy, r / 12};
}

void drawTracks(Canvas& c) {
    cairo_t* cr = c.cr();
    for (int ring = 0; ring < 3; ++ring) {
        const Circle k = ringCircle(ring);
        const Rgb col = ringColour(ring);
        cairo_save(cr);
        cairo_set_line_width(cr, kTrackWidth + 6);
        cairo_arc(cr, k.x, k.y, k.r, 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 0.1, 0.12, 0.3, 0.10);
        cairo_stroke(cr);
        cairo_set_line_width(cr, kTrackWidth);
        cairo_arc(cr, k.x, k.y, k.r, 0, 2 * M_PI);
        const Rgb t = lighter(col, 0.45);
        cairo_set_source_rgba(cr, t.r, t.g, t.b, 0.62);
        cairo_stroke(cr);
        // Edges of the track.
        cairo_set_line_width(cr, 2);
        const Rgb e = darker(col, 0.15);
        cairo_set_source_rgba(cr, e.r, e.g, e.b, 0.75);
        cairo_arc(cr, k.x, k.y, k.r + kTrackWidth / 2, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_arc(cr, k.x, k.y, k.r - kTrackWidth / 2, 0, 2 * M_PI);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
    // A socket under every chip.
    for (const auto& cell : kCells) {
        const double x = cell[0] + kChipOffsetX, y = cell[1];
        cairo_save(cr);
        cairo_arc(cr, x, y, 22.5, 0, 2 * M_PI);
        cairo_pattern_t* p = cairo_pattern_create_radial(x, y - 4, 4, x, y, 23);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.55);
        cairo_pattern_add_color_stop_rgba(p, 1, 0.2, 0.22, 0.4, 0.30);
        cairo_set_source(cr, p);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
        cairo_restore(cr);
    }
}

void drawPanelFrame(Canvas& c) {
    cairo_t* cr = c.cr();
    drawShadow(c, 9, 21, 130, 430, 14);
    c.roundedRect(9, 21, 130, 430, 14);
    c.setColour(palette::panel, 0.92);
    cairo_fill_preserve(cr);
    c.setColour(darker(palette::sky, 0.35));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Twelve empty slots per column, in the ring's own tint.
    const int columns[3] = {23, 57, 91};
    const int rings[3] = {0, 1, 2};
    for (int k = 0; k < 3; ++k) {
        const Rgb tint = lighter(ringColour(rings[k]), 0.78);
        for (int row = 0; row < 12; ++row) {
            const double y = 407 - 34 * row;
            c.roundedRect(columns[k] + 1, y + 1, 28, 28, 6);
            c.setColour(tint);
            cairo_fill_preserve(cr);
            c.setColour(lighter(ringColour(rings[k]), 0.55));
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    }
    // The ring each column belongs to, under it.
    for (int k = 0; k < 3; ++k) {
        cairo_arc(cr, columns[k] + 15, 442, 5, 0, 2 * M_PI);
        c.setColour(ringColour(rings[k]));
        cairo_fill(cr);
    }
}

void drawNumberArea(Canvas& c) {
    cairo_t* cr = c.cr();
    // Taller than the area the game redraws (from y 20), so that the first label clears the
    // rounded corner.
    drawShadow(c, 658, 12, 116, 256, 14);
    c.roundedRect(658, 12, 116, 256, 14);
    c.setColour(palette::panel, 0.95);
    cairo_fill_preserve(cr);
    c.setColour(darker(palette::sky, 0.35));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    struct Label {
        const char* text;
        int top;
    } labels[] = {{"BEST", 34}, {"SCORE", 103}, {"BONUS", 173}, {"MOVES", 243}};
    for (const Label& l : labels) {
        // The label sits just above its number; numbers are 24 pixels high.
        c.text(l.text, "DejaVu Sans Bold 9.5", 666, l.top - 16, 100, 0, darker(palette::sky, 0.55));
        c.setColour(lighter(palette::sky, 0.2));
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 666, l.top + 28.5);
        cairo_line_to(cr, 766, l.top + 28.5);
        cairo_stroke(cr);
    }
}

void drawTitle(Canvas& c) {
    c.outlinedText("Tintaro", "DejaVu Sans Bold 34", 160, 498, 0, 0, palette::ringMagenta,
                   {1, 1, 1}, 3);
    // Two lines, so that the command buttons to the right never cover the end of it.
    c.text("Turn the rings until each holds only its own colours.", "DejaVu Sans 10", 162, 552, 270,
           0, palette::ink);
}

bool writeBackground(const std::string& folder) {
    Canvas c(800, 600);
    c.verticalGradient(0, 0, 800, 600, palette::paper, palette::sky);
    // A few soft bubbles for depth.
    cairo_t* cr = c.cr();
    const double bubbles[][3] = {{90, 520, 70}, {720, 420, 90}, {610, 560, 40}, {760, 330, 30}};
    for (const auto& b : bubbles) {
        cairo_arc(cr, b[0], b[1], b[2], 0, 2 * M_PI);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
        cairo_fill(cr);
    }
    drawTracks(c);
    drawPanelFrame(c);
    drawNumberArea(c);
    drawTitle(c);
    return save(c, folder, "background.bmp", false);
}

bool writeChips(const std::string& folder) {
    // Frames 50 x 44; the cell's reference point lies 3 from the left and 22 from the top,
    // so the chip's centre (25, 22) sits on the track.
    Canvas c(300, 44);
    for (int f = 0; f < 6; ++f) drawChip(c, f, f * 50 + 25, 21.5, 20);
    return save(c, folder, "chips.bmp", true, lighter(palette::sky, 0.2));
}

bool writePanelPictures(const std::string& folder) {
    // Frames in the order of the panel's columns: blue, magenta, yellow.
    const Rgb colours[3] = {palette::ringBlue, palette::ringMagenta, palette::ringYellow};
    Canvas blocks(90, 30), dots(90, 30);
    for (int f = 0; f < 3; ++f) {
        drawBlock(blocks, f * 30 + 1, 1, 28, 28, colours[f]);
        cairo_t* cr = dots.cr();
        cairo_arc(cr, f * 30 + 15, 15, 6, 0, 2 * M_PI);
        dots.setColour(colours[f]);
        cairo_fill_preserve(cr);
        dots.setColour(darker(colours[f], 0.4));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    return save(blocks, folder, "panelblocks.bmp", true, palette::panel) &&
           save(dots, folder, "paneldots.bmp", true, palette::panel);
}

bool writeScoreFont(const std::string& folder) {
    Canvas c(150, 24);
    for (int d = 0; d < 10; ++d) {
        const std::string digit(1, static_cast<char>('0' + d));
        c.outlinedText(digit, "DejaVu Sans Bold 14", d * 15.0, 1, 15, 1, palette::ink, {1, 1, 1},
                       0.8);
    }
    return save(c, folder, "scorefont.bmp", true, palette::panel);
}

bool writeCongratulation(const std::string& folder) {
    Canvas c(472, 442);
    cairo_t* cr = c.cr();
    c.roundedRect(4, 4, 464, 434, 36);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 442);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 0.98, 0.93, 0.97);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.93, 0.90, 1, 0.97);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    c.setColour(palette::ringMagenta);
    cairo_set_line_width(cr, 5);
    cairo_stroke(cr);
    // Three interlocking rings in their colours, complete.
    const double rx[3] = {196, 276, 236}, ry[3] = {150, 150, 214};
    for (int k = 0; k < 3; ++k) {
        cairo_arc(cr, rx[k], ry[k], 62, 0, 2 * M_PI);
        c.setColour(ringColour(k));
        cairo_set_line_width(cr, 16);
        cairo_stroke(cr);
    }
    // Sparkles.
    const double stars[][3] = {{70, 80, 16}, {400, 70, 20}, {420, 260, 12}, {60, 260, 12}};
    for (const auto& s : stars) {
        for (int i = 0; i < 8; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 4, rr = i % 2 ? s[2] * 0.35 : s[2];
            const double x = s[0] + rr * std::cos(a), y = s[1] + rr * std::sin(a);
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
        cairo_close_path(cr);
        c.setColour(palette::ringYellow);
        cairo_fill(cr);
    }
    c.outlinedText("Solved!", "DejaVu Sans Bold 40", 0, 300, 472, 1, palette::ringMagenta,
                   {1, 1, 1}, 3);
    c.text("All three rings hold their own colours.\nClick New Game to play again.",
           "DejaVu Sans 13", 30, 368, 412, 1, palette::ink);
    return save(c, folder, "congrats.bmp", true, palette::paper);
}

bool writeCommandButtons(const std::string& folder) {
    struct CommandButton {
        const char* file;
        const char* label;
    } buttons[] = {{"newgame.bmp", "New Game"},
                   {"menu.bmp", "Menu"},
                   {"help.bmp", "Help"},
                   {"exit.bmp", "Exit"},
                   {"hint.bmp", "Hint"}};
    for (const CommandButton& b : buttons) {
        Canvas c(132, 40);
        for (int lit = 0; lit < 2; ++lit)
            drawButtonFace(c, lit * 66, 0, 66, 40, b.label, palette::button, lit == 1,
                           "DejaVu Sans Condensed Bold 9.5");
        if (!save(c, folder, b.file, true, palette::sky)) return false;
    }
    return true;
}

bool writeArms(const std::string& folder) {
    // Each arm lies inside its ring's hole and curves the way its ring turns; in screen
    // angles (growing clockwise) the head is at a1.
    struct Arm {
        const char* file;
        int ring;
        int x, y, w, h;    // where the game places it
        double cx, cy, r;  // the arc, in screen coordinates
        double a0, a1;
    };
    const double d = M_PI / 180;
    const Arm arms[] = {
        // Ring 0 clockwise: across the top of the hole, heading right.
        {"bluetop.bmp", 0, 272, 161, 84, 44, 314, 240, 62, 232 * d, 284 * d},
        // Ring 0 counter-clockwise: across the bottom, heading right.
        {"bluebottom.bmp", 0, 255, 205, 90, 40, 300, 175, 50, 128 * d, 62 * d},
        // Ring 2 clockwise: up the left side.
        {"magentaleft.bmp", 2, 339, 372, 56, 60, 404, 402, 48, 136 * d, 206 * d},
        // Ring 2 counter-clockwise: up the right side.
        {"magentaright.bmp", 2, 397, 372, 56, 60, 388, 402, 48, 44 * d, -26 * d},
        // Ring 1 counter-clockwise: across the top, heading left.
        {"yellowtop.bmp", 1, 469, 167, 84, 44, 511, 246, 62, 304 * d, 237 * d},
        // Ring 1 clockwise: across the bottom, heading left.
        {"yellowbottom.bmp", 1, 489, 209, 70, 40, 524, 184, 44, 55 * d, 125 * d},
    };
    for (const Arm& a : arms) {
        Canvas c(a.w * 2, a.h);
        for (int lit = 0; lit < 2; ++lit) {
            cairo_t* cr = c.cr();
            cairo_save(cr);
            // Frame-local coordinates: the arc is given on the screen.
            cairo_translate(cr, lit * a.w - a.x, -a.y);
            // The frame less every chip (with a margin), so that an arm never covers the
            // chips near its ring's hole.
            cairo_rectangle(cr, a.x, a.y, a.w, a.h);
            for (const auto& cell : kCells) {
                cairo_new_sub_path(cr);
                cairo_arc(cr, cell[0] + kChipOffsetX, cell[1], 24, 0, 2 * M_PI);
            }
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_clip(cr);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
            drawArcArrow(c, a.cx, a.cy, a.r, a.a0, a.a1, 13, ringColour(a.ring), lit == 1);
            cairo_restore(cr);
        }
        if (!save(c, folder, a.file, true, palette::paper)) return false;
    }
    return true;
}

// The help page's controls part: the keys, or the game pad's buttons.
void drawHelpControls(Canvas& c, bool pad, double top, double height) {
    cairo_t* cr = c.cr();
    c.roundedRect(24, top, 646, height, 14);
    c.setColour(lighter(palette::sky, 0.45));
    cairo_fill_preserve(cr);
    c.setColour(lighter(palette::button, 0.55));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    const char* font = "DejaVu Sans 10";
    c.text(pad ? "<b>With a game pad</b>" : "<b>Keys</b>", "DejaVu Sans 10.5", 40, top + 7, 0, 0,
           darker(palette::button, 0.3));
    if (!pad) {
        const double h = c.text(
            "<b>Arrow keys</b> move the focus between the six arms and the buttons, <b>Tab</b> "
            "and <b>Shift+Tab</b> in reading order. <b>Enter</b> or <b>Space</b> presses the "
            "focused arm or button: an arm turns its ring, as a click does. <b>H</b> shows a "
            "hint, <b>N</b> starts a new game, <b>M</b> goes to the menu. <b>Esc</b> saves "
            "and leaves (on a page, closes it). <b>F1</b> shows the frame rate, <b>F11</b> or "
            "<b>Alt+Enter</b> switches full screen.",
            font, 40, top + 30, 614, 0, palette::ink);
        c.text("A click or any key closes this page.", font, 40, top + 36 + h, 614, 0,
               darker(palette::button, 0.3));
        return;
    }
    // Pictures in rows, the first ones the whole width, the others in two columns.
    struct Item {
        double x;
        int row;
        std::vector<LegendRun> runs;
    };
    using P = PadControl;
    using S = std::string;
    const double left = 40, right = 370;
    const Item items[] = {
        {left, 0, {P::DPad, S(" or the left stick moves the focus: arms and buttons")}},
        {left, 1, {P::A, S(" turns the focused arm's ring, or presses the focused button")}},
        {left, 2, {P::B, S(" exits (the game is saved)")}},
        {right, 2, {P::Y, S(" shows a hint")}},
        {left, 3, {P::Start, S(" opens this help")}},
        {right, 3, {P::A, S(" or"), P::B, S(" closes this page")}}};
    for (const Item& item : items)
        drawLegend(c, item.runs, item.x, top + 42 + 26 * item.row, font, palette::ink, 22);
}

// The help page, with its controls part for the keyboard or for a game pad; the rules are the
// same on both.
bool writeHelpPage(const std::string& folder, bool pad) {
    Canvas c(694, 560);
    cairo_t* cr = c.cr();
    c.roundedRect(3, 3, 688, 554, 26);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 560);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.99, 0.96);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.93, 0.95, 1);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    c.setColour(palette::button);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);

    c.outlinedText("How to play Tintaro", "DejaVu Sans Bold 22", 0, 14, 694, 1,
                   palette::ringMagenta, {1, 1, 1}, 2);
    const char* rules[] = {
        "<b>The puzzle.</b> Thirty chips lie on three overlapping rings of twelve cells. Each of "
        "the six arms, the arrows inside the rings, turns its ring one cell the way it points; "
        "the chips on a cell two rings share move with either ring.",
        "<b>The goal.</b> Each ring accepts three colours: the <b>blue</b> ring (upper left) "
        "cyan, blue and green, the <b>yellow</b> ring (upper right) yellow, red and green, the "
        "<b>magenta</b> ring (bottom) magenta, red and blue. A shared cell needs a colour both "
        "its rings accept: green, blue or red. The puzzle is solved when every cell holds an "
        "accepted colour.",
        "<b>The panel.</b> The columns on the left follow the blue, yellow and magenta rings: a "
        "block for each cell that is right now, a dot up to the ring's best.",
        "<b>Scoring.</b> Each cell of a ring's best is worth 100 points, a ring once complete "
        "100,000. Solving adds 1,000,000 and the bonus, 500,000 less 125 a turn. Your best "
        "scores go into the hall of fame.",
        "<b>Stuck?</b> Hint lights the arm to press next; follow the lit arms and the puzzle "
        "comes out. A hint costs nothing.",
        "<b>Buttons.</b> New Game starts again, Menu returns to the game menu, Exit saves your "
        "game so that it goes on next time."};
    double y = 56;
    for (const char* paragraph : rules)
        y += c.text(paragraph, "DejaVu Sans 10", 34, y, 626, 0, palette::ink) + 6;
    drawHelpControls(c, pad, 350, 136);
    // The six chips with their symbols and names.
    for (int f = 0; f < 6; ++f) {
        const double x = 80 + f * 100;
        drawChip(c, f, x, 516, 15);
        c.text(chipName(f), "DejaVu Sans 9.5", x - 40, 533, 80, 1, palette::ink);
    }
    return save(c, folder, pad ? "title/HowToPlayPad.bmp" : "title/HowToPlay.bmp", true,
                palette::paper);
}

}  // namespace

bool writeTintaroPictures(const std::string& folder) {
    return writeBackground(folder) && writeChips(folder) && writePanelPictures(folder) &&
           writeScoreFont(folder) && writeCongratulation(folder) && writeCommandButtons(folder) &&
           writeArms(folder) && writeHelpPage(folder, false) && writeHelpPage(folder, true);
}

}  // namespace art
