#include "menu_art.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "glyph_strip.h"
#include "logo.h"
#include "look.h"

namespace art {
namespace {

// Game slots on the list: the size of a game's picture and of each frame of the
// "GameButton" strip drawn over it.
constexpr int kSlotWidth = 250;
constexpr int kSlotHeight = 100;
constexpr int kSlotX[3] = {14, 271, 528};
constexpr int kSlotY[4] = {140, 247, 355, 461};
// Dialog pages sit at (53, 18) on the screen.
constexpr int kPageWidth = 694;
constexpr int kPageHeight = 564;

constexpr Rgb kWhite{1, 1, 1};
constexpr Rgb kFieldPaper = palette::panel;      // the boxes the name fonts write in
constexpr Rgb kPurple{0.470, 0.180, 0.620};      // the hall's purple rows
constexpr Rgb kLavender{0.945, 0.925, 0.995};    // band under a purple row
constexpr Rgb kNumberTile{0.905, 0.940, 0.990};  // flat ground of the page number
constexpr Rgb kGreen{0.250, 0.640, 0.300};
constexpr Rgb kRed{0.820, 0.260, 0.240};
constexpr Rgb kGrey{0.560, 0.590, 0.650};

const char* kLabelFont = "DejaVu Sans Condensed Bold 12";
const char* kSmallLabelFont = "DejaVu Sans Condensed Bold 10";

bool save(const Canvas& c, const std::string& folder, const std::string& name, bool keyed,
          Rgb matte = palette::paper) {
    const std::string path = folder + "/" + name;
    if (c.writeBmp(path, keyed, matte)) return true;
    std::fprintf(stderr, "artgen: cannot write %s\n", path.c_str());
    return false;
}

// A white rounded panel with a soft shadow and a thin rim.
void drawPanel(Canvas& c, double x, double y, double w, double h, double r, double alpha = 0.94,
               Rgb fill = palette::panel) {
    drawShadow(c, x, y, w, h, r);
    c.roundedRect(x, y, w, h, r);
    c.setColour(fill, alpha);
    cairo_fill_preserve(c.cr());
    c.setColour(darker(palette::sky, 0.35));
    cairo_set_line_width(c.cr(), 1.5);
    cairo_stroke(c.cr());
}

// The house backdrop: the paper-to-sky gradient with a few soft bubbles.
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

// A dialog page: a rounded sheet with a coloured rim, keyed outside the corners.
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

// A strip of `count` labelled button faces of w x h: normal, highlighted and (third)
// pressed.
bool labelStrip(const std::string& folder, const std::string& name, int w, int h, int count,
                const std::string& label, Rgb colour, const std::string& font,
                Rgb matte = palette::sky) {
    Canvas c(w * count, h);
    for (int state = 0; state < count; ++state) {
        const Rgb face = state == 2 ? darker(colour, 0.25) : colour;
        drawButtonFace(c, state * w, 0, w, h, label, face, state == 1, font);
    }
    return save(c, folder, name, true, matte);
}

// Fills the current path white with a dark edge, as the button lettering is drawn.
void fillSymbol(Canvas& c, Rgb colour) {
    cairo_t* cr = c.cr();
    c.setColour(darker(colour, 0.55));
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    c.setColour(kWhite);
    cairo_fill(cr);
}

// Three overlapping ring tracks with chips on them, as on Tintaro's board, centred at
// (cx, cy); `scale` 1 gives rings of radius 56.
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

// ---- The game list -------------------------------------------------------------------

// An empty game slot as the list's background shows it.
void drawEmptySlot(Canvas& c, double x, double y) {
    cairo_t* cr = c.cr();
    c.roundedRect(x + 4, y + 4, kSlotWidth - 8, kSlotHeight - 8, 12);
    c.setColour(kWhite, 0.45);
    cairo_fill_preserve(cr);
    const double dash[] = {6, 5};
    cairo_set_dash(cr, dash, 2, 0);
    c.setColour(darker(palette::sky, 0.25));
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

bool writeListBackground(const std::string& folder) {
    Canvas c(800, 600);
    drawBackdrop(c);
    drawGatefoldLogo(c, 30, 18, 1.0);
    c.text("Pick a game: click its picture to open its title screen.", "DejaVu Sans 12", 34, 88, 0,
           0, palette::ink);
    // The page controls: arrows at the ends, the page number between them, and the
    // information and exit buttons below.
    drawPanel(c, 626, 10, 168, 124, 16);
    c.roundedRect(683, 27, 53, 30, 8);
    c.setColour(kNumberTile);
    cairo_fill(c.cr());
    c.text("page", "DejaVu Sans 9.5", 683, 59, 53, 1, darker(palette::sky, 0.55));
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col) drawEmptySlot(c, kSlotX[col], kSlotY[row]);
    return save(c, folder, "background.bmp", false);
}

bool writeArrowStrip(const std::string& folder, const char* name, bool pointsLeft) {
    const int w = 42, h = 46;
    Canvas c(w * 2, h);
    for (int lit = 0; lit < 2; ++lit) {
        const double cx = lit * w + w / 2.0, cy = h / 2.0;
        drawRoundBody(c, cx, cy, 19, palette::button, lit == 1);
        const double s = pointsLeft ? -1 : 1;
        cairo_move_to(c.cr(), cx + s * 9, cy);
        cairo_line_to(c.cr(), cx - s * 6, cy - 10);
        cairo_line_to(c.cr(), cx - s * 6, cy + 10);
        cairo_close_path(c.cr());
        fillSymbol(c, palette::button);
    }
    return save(c, folder, name, true, palette::panel);
}

bool writePageNumbers(const std::string& folder) {
    // Opaque tiles on the number's flat ground, so a new number covers the old one.
    const int w = 16, h = 24;
    Canvas c(w * 10, h);
    c.fill(kNumberTile);
    for (int d = 0; d < 10; ++d) {
        c.text(std::string(1, static_cast<char>('0' + d)), "DejaVu Sans Bold 14", d * w, 1, w, 1,
               palette::ink);
    }
    return save(c, folder, "PageNumbers.bmp", false);
}

bool writeGameButtonFrames(const std::string& folder) {
    Canvas c(kSlotWidth * 3, kSlotHeight);
    cairo_t* cr = c.cr();
    for (int state = 0; state < 3; ++state) {
        const double x = state * kSlotWidth;
        const Rgb rim = state == 0   ? palette::button
                        : state == 1 ? palette::ringYellow
                                     : darker(palette::button, 0.35);
        const double width = state == 0 ? 3.5 : 6;
        c.roundedRect(x + width / 2 + 0.5, width / 2 + 0.5, kSlotWidth - width - 1,
                      kSlotHeight - width - 1, 14);
        c.setColour(rim);
        cairo_set_line_width(cr, width);
        cairo_stroke(cr);
        if (state == 1) {
            // A white inner line makes the lit frame stand out on any picture.
            c.roundedRect(x + 7, 7, kSlotWidth - 14, kSlotHeight - 14, 10);
            c.setColour(kWhite);
            cairo_set_line_width(cr, 2);
            cairo_stroke(cr);
        }
        if (state == 2) {
            // Pressed: a dark inner band, as if the picture sank in.
            c.roundedRect(x + 7.5, 7.5, kSlotWidth - 15, kSlotHeight - 15, 10);
            c.setColour(darker(palette::ink, 0.2));
            cairo_set_line_width(cr, 3);
            cairo_stroke(cr);
        }
    }
    return save(c, folder, "GameButton.bmp", true, palette::sky);
}

// The rounded ground of a game picture on the list.
void drawPictureGround(Canvas& c, Rgb top, Rgb bottom) {
    cairo_t* cr = c.cr();
    c.roundedRect(1, 1, kSlotWidth - 2, kSlotHeight - 2, 14);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, kSlotHeight);
    addColourStop(p, 0, top);
    addColourStop(p, 1, bottom);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

bool writeCollectButton(const std::string& folder) {
    Canvas c(kSlotWidth, kSlotHeight);
    cairo_t* cr = c.cr();
    drawPictureGround(c, lighter(palette::ringYellow, 0.55), lighter(palette::ringMagenta, 0.55));
    // A globe: a round body with meridians.
    drawRoundBody(c, 50, 50, 30, palette::ringBlue, false);
    cairo_save(cr);
    c.setColour(kWhite, 0.85);
    cairo_set_line_width(cr, 1.6);
    cairo_arc(cr, 50, 50, 30, 0, 2 * M_PI);
    cairo_move_to(cr, 20, 50);
    cairo_line_to(cr, 80, 50);
    cairo_move_to(cr, 50, 20);
    cairo_line_to(cr, 50, 80);
    cairo_stroke(cr);
    cairo_translate(cr, 50, 50);
    cairo_scale(cr, 13, 30);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    c.setColour(kWhite, 0.85);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    c.outlinedText("More games", "DejaVu Sans Bold 16", 92, 18, 150, 1, palette::ringMagenta,
                   kWhite, 2);
    c.text("at our web site", "DejaVu Sans Bold 11", 92, 50, 150, 1, palette::ink);
    c.text("click to visit", "DejaVu Sans 9.5", 92, 70, 150, 1, darker(palette::sky, 0.6));
    return save(c, folder, "CollectButton.bmp", true, palette::sky);
}

bool writeInfoPage(const std::string& folder) {
    // Full screen, so that the centred page and the back button's place agree.
    Canvas c(800, 600);
    drawBackdrop(c);
    drawPanel(c, 24, 36, 768, 396, 24, 0.97);
    c.outlinedText("About Gatefold", "DejaVu Sans Bold 24", 56, 54, 0, 0, palette::button, kWhite,
                   2);
    const std::string body =
        "<b>Games.</b> Every game installed beside the menu shows its picture on the list, "
        "twelve to a page. Click a picture to open that game's title screen. The arrows at the "
        "top right turn the pages; the number between them is the page you are on.\n\n"
        "<b>Title screen.</b> Play starts the game, How to Play and Credits show its pages, "
        "High Scores opens its hall of fame, Players edits your profile. Choose a name to make "
        "that player current. The two round switches turn sound effects and music on or off. "
        "Menu returns to this list.\n\n"
        "<b>Hall of fame.</b> The twenty best scores of the game. Upload sends the best one "
        "to our web site through your browser; Clear empties the table.\n\n"
        "<b>More games.</b> The slot after the last game opens our web site.\n\n"
        "<b>Keys.</b> Arrow keys or Tab move, Enter presses, Page Up and Page Down turn the "
        "pages, Esc leaves. With a game pad the d-pad moves, A presses and the shoulder buttons "
        "turn the pages.";
    c.text(body, "DejaVu Sans 11", 56, 104, 600, 0, palette::ink);
    c.text("Back to the list", "DejaVu Sans 9.5", 672, 411, 122, 1, darker(palette::sky, 0.6));
    drawRingEmblem(c, 722, 112, 0.45);
    return save(c, folder, "infoscreen.bmp", false);
}

bool writeBackButton(const std::string& folder, const char* name, Rgb matte) {
    return labelStrip(folder, name, 88, 36, 2, "Back", palette::button, kLabelFont, matte);
}

// ---- Hall of fame ----------------------------------------------------------------------

constexpr int kHallFirstRow = 275;
constexpr int kHallRowStep = 26;

bool writeHallPage(const std::string& folder) {
    Canvas c(kPageWidth, kPageHeight);
    cairo_t* cr = c.cr();
    drawSheet(c, palette::ringMagenta);
    c.outlinedText("Hall of Fame", "DejaVu Sans Bold 28", 34, 24, 0, 0, palette::ringMagenta,
                   kWhite, 2.5);
    c.text(
        "The twenty best scores of this game, best first.\n\n"
        "<b>Upload</b> sends the best score to our web site through your browser.\n"
        "<b>Clear</b> empties the table for good.\n<b>Back</b> returns to the title screen.",
        "DejaVu Sans 10.5", 36, 90, 500, 0, palette::ink);
    // Column heads and the twenty row bands: purple rows on lavender, black rows on white.
    const int nameX[2] = {56, 387}, scoreX[2] = {256, 587};
    const int bandX[2] = {40, 374}, bandW[2] = {328, 302};
    for (int col = 0; col < 2; ++col) {
        c.text("Player", "DejaVu Sans Bold 9.5", nameX[col], 255, 0, 0, darker(palette::sky, 0.6));
        c.text("Score", "DejaVu Sans Bold 9.5", scoreX[col], 255, 0, 0, darker(palette::sky, 0.6));
        for (int row = 0; row < 10; ++row) {
            const double y = kHallFirstRow + kHallRowStep * row - 3;
            cairo_rectangle(cr, bandX[col], y, bandW[col], kHallRowStep);
            c.setColour(row % 2 == 0 ? kLavender : kWhite);
            cairo_fill(cr);
        }
        cairo_rectangle(cr, bandX[col] + 0.5, kHallFirstRow - 2.5, bandW[col] - 1,
                        kHallRowStep * 10 - 1);
        c.setColour(lighter(kPurple, 0.55));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    return save(c, folder, "HallOfFameScreen.bmp", true, palette::paper);
}

// ---- Players page ----------------------------------------------------------------------

// The players page. Its game pad version leaves a band plain for the on-screen keyboard the
// menu draws there and says how to type with the pad; the fields are at the same places in both.
bool writePlayerPage(const std::string& folder, bool pad) {
    Canvas c(kPageWidth, kPageHeight);
    cairo_t* cr = c.cr();
    drawSheet(c, palette::button);
    if (pad) {
        // Above the keyboard's band, which starts at y 64.
        c.outlinedText("Player profile", "DejaVu Sans Bold 26", 34, 12, 0, 0, palette::button,
                       kWhite, 2.5);
        // A few chips as a garnish beside the title, as on the game list.
        for (int f = 0; f < 6; ++f) {
            cairo_new_path(cr);
            drawChip(c, f, 480 + f * 30, 34, 11);
        }
    } else {
        c.outlinedText("Player profile", "DejaVu Sans Bold 26", 34, 24, 0, 0, palette::button,
                       kWhite, 2.5);
        c.text(
            "Your name is shown on the title screen and stands beside your scores in the hall "
            "of fame. Address and e-mail travel only with a score you upload, and only when "
            "sending is switched on below.\n"
            "Click a box (or move to it with the arrow keys) to type in it; Tab or Enter moves to "
            "the next box, Enter in the last box saves, Esc goes back.",
            "DejaVu Sans 10.5", 36, 84, 520, 0, palette::ink);
        drawRingEmblem(c, 612, 104, 0.42);
    }
    // The fields write at screen (66, 270), (66, 336) and (66, 404), 580 wide: page x 13,
    // inside the boxes and clear of the page's edge.
    struct Field {
        const char* label;
        int top;
    } fields[] = {{"Name", 252}, {"Address", 318}, {"E-mail", 386}};
    for (const Field& f : fields) {
        c.text(f.label, "DejaVu Sans Bold 10", 14, f.top - 22, 0, 0, darker(palette::button, 0.3));
        c.roundedRect(6, f.top - 2, 596, 30, 6);
        c.setColour(kFieldPaper);
        cairo_fill_preserve(cr);
        c.setColour(darker(palette::sky, 0.3));
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
    if (pad) {
        // Between the e-mail box (to y 416) and the send label (from y 446), centred under the
        // boxes.
        using P = PadControl;
        using S = std::string;
        const std::vector<LegendRun> hint = {
            P::DPad, S(" choose a key,  "), P::A,     S(" type it,  "), P::B, S(" delete,  "),
            P::X,    S(" shift,  "),        P::Start, S(" save")};
        const char* font = "DejaVu Sans 10";
        const Rgb ink = darker(palette::button, 0.3);
        const double w = drawLegend(c, hint, 0, 0, font, ink, 20, false);
        drawLegend(c, hint, 304 - w / 2, 431, font, ink, 20);
    }
    c.text("Send my address and e-mail\nwith uploaded scores:", "DejaVu Sans Bold 10", 37, 446, 0,
           0, darker(palette::button, 0.3));
    return save(c, folder, pad ? "PlayerInfoPad.bmp" : "PlayerInfo.bmp", true, palette::paper);
}

// The on-screen keyboard's key caps, w x 30 each: normal, then focused. The menu writes the
// labels on them with its name fonts, so the face is their paper, plain where a label goes.
bool writeKeyCap(const std::string& folder, const char* name, int w) {
    const int h = 30;
    Canvas c(w * 2, h);
    cairo_t* cr = c.cr();
    for (int focused = 0; focused < 2; ++focused) {
        const double x = focused * w;
        const Rgb rim = focused ? palette::ringMagenta : darker(palette::sky, 0.3);
        // The key's side, showing below the face as its depth.
        c.roundedRect(x + 1, 1, w - 2, h - 2, 6);
        c.setColour(focused ? darker(palette::ringMagenta, 0.15) : darker(palette::sky, 0.2));
        cairo_fill(cr);
        c.roundedRect(x + 1.5, 1.5, w - 3, h - 6, 5.5);
        c.setColour(kFieldPaper);
        cairo_fill_preserve(cr);
        c.setColour(rim);
        cairo_set_line_width(cr, focused ? 3 : 1.2);
        cairo_stroke(cr);
    }
    return save(c, folder, name, true, palette::paper);
}

bool writeYesNo(const std::string& folder) {
    const int w = 96, h = 44;
    Canvas c(w * 2, h);
    drawButtonFace(c, 0, 0, w, h, "Yes", kGreen, false, kLabelFont);
    drawButtonFace(c, w, 0, w, h, "No", kGrey, false, kLabelFont);
    return save(c, folder, "yesno.bmp", true, palette::paper);
}

bool writeCaret(const std::string& folder) {
    Canvas c(10, 24);
    c.roundedRect(1, 4, 8, 17, 2);
    c.setColour(palette::ringMagenta);
    cairo_fill(c.cr());
    return save(c, folder, "blockcursor.bmp", true, kFieldPaper);
}

bool writeNameFonts(const std::string& folder) {
    const GlyphStyle normal{"DejaVu Sans 11", palette::ink, kFieldPaper, 24, 5};
    const GlyphStyle lit{"DejaVu Sans Bold 11", darker(palette::ringMagenta, 0.2), kFieldPaper, 24,
                         5};
    return writeGlyphStrip(folder + "/n_font.bmp", normal) &&
           writeGlyphStrip(folder + "/h_font.bmp", lit);
}

bool writeHallFonts(const std::string& folder) {
    const GlyphStyle black{"DejaVu Sans Bold 10", palette::ink, kWhite, 20, 1};
    const GlyphStyle purple{"DejaVu Sans Bold 10", kPurple, kLavender, 20, 1};
    return writeGlyphStrip(folder + "/HallBlackFont.bmp", black) &&
           writeGlyphStrip(folder + "/HallPurpleFont.bmp", purple);
}

// ---- Tintaro's title screen ------------------------------------------------------------

constexpr int kNameBoxes[8][2] = {{239, 378}, {408, 378}, {238, 420}, {408, 420},
                                  {238, 464}, {408, 464}, {238, 510}, {408, 510}};

bool writeTitleBackground(const std::string& folder) {
    Canvas c(800, 600);
    cairo_t* cr = c.cr();
    drawBackdrop(c);
    drawRingEmblem(c, 190, 150, 1.0);
    c.outlinedText("Tintaro", "DejaVu Sans Bold 58", 330, 64, 0, 0, palette::ringMagenta, kWhite,
                   4);
    c.text("Turn the rings until each holds only its own colours.", "DejaVu Sans 12", 336, 166, 0,
           0, palette::ink);
    // The players' corner: the Players button on top, the eight names below it.
    drawPanel(c, 222, 306, 356, 258, 18, 0.85);
    for (const auto& box : kNameBoxes) {
        c.roundedRect(box[0] - 5, box[1], 155, 30, 6);
        c.setColour(kFieldPaper);
        cairo_fill_preserve(cr);
        c.setColour(darker(palette::sky, 0.3));
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    c.text("Choose a name to play as that player.", "DejaVu Sans 9.5", 222, 543, 356, 1,
           darker(palette::sky, 0.6));
    return save(c, folder, "title/titlebackground.bmp", false);
}

bool writeTitleButtons(const std::string& folder) {
    struct Spec {
        const char* file;
        const char* label;
        Rgb colour;
    } buttons[] = {{"HowToPlayButton.bmp", "How to Play", palette::button},
                   {"PlayButton.bmp", "Play", kGreen},
                   {"HighScoresButton.bmp", "High Scores", palette::button},
                   {"MenuButton.bmp", "Menu", palette::button},
                   {"CreditsButton.bmp", "Credits", palette::button},
                   {"ExitButton.bmp", "Exit", kRed}};
    for (const Spec& b : buttons) {
        if (!labelStrip(folder, b.file, 112, 56, 2, b.label, b.colour, kLabelFont)) return false;
    }
    return labelStrip(folder, "PlayersButton.bmp", 240, 48, 2, "Players", palette::ringMagenta,
                      "DejaVu Sans Bold 14", palette::panel);
}

// A switch: image 0 shows it on, image 1 off (struck through and greyed).
bool writeSwitch(const std::string& folder, const char* name, bool music) {
    const int w = 50, h = 50;
    Canvas c(w * 2, h);
    cairo_t* cr = c.cr();
    for (int off = 0; off < 2; ++off) {
        const double cx = off * w + w / 2.0, cy = h / 2.0;
        const Rgb colour = off ? kGrey : palette::button;
        drawRoundBody(c, cx, cy, 22, colour, false);
        if (music) {
            // A pair of quavers.
            cairo_rectangle(cr, cx - 8, cy - 10, 3, 17);
            cairo_rectangle(cr, cx + 6, cy - 13, 3, 17);
            cairo_move_to(cr, cx - 8, cy - 10);
            cairo_line_to(cr, cx + 9, cy - 13);
            cairo_line_to(cr, cx + 9, cy - 8);
            cairo_line_to(cr, cx - 8, cy - 5);
            cairo_close_path(cr);
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx - 10, cy + 8, 4.5, 0, 2 * M_PI);
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx + 4, cy + 5, 4.5, 0, 2 * M_PI);
        } else {
            // A loudspeaker with two sound waves.
            cairo_move_to(cr, cx - 13, cy - 5);
            cairo_line_to(cr, cx - 7, cy - 5);
            cairo_line_to(cr, cx + 1, cy - 12);
            cairo_line_to(cr, cx + 1, cy + 12);
            cairo_line_to(cr, cx - 7, cy + 5);
            cairo_line_to(cr, cx - 13, cy + 5);
            cairo_close_path(cr);
        }
        fillSymbol(c, colour);
        if (!music) {
            cairo_set_line_width(cr, 2.4);
            c.setColour(kWhite);
            cairo_arc(cr, cx + 2, cy, 7, -0.8, 0.8);
            cairo_stroke(cr);
            cairo_arc(cr, cx + 2, cy, 12, -0.8, 0.8);
            cairo_stroke(cr);
        }
        if (off) {
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            cairo_move_to(cr, cx - 14, cy + 14);
            cairo_line_to(cr, cx + 14, cy - 14);
            c.setColour(kWhite);
            cairo_set_line_width(cr, 6);
            cairo_stroke_preserve(cr);
            c.setColour(kRed);
            cairo_set_line_width(cr, 3.5);
            cairo_stroke(cr);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        }
    }
    return save(c, folder, name, true, palette::sky);
}

bool writeCredits(const std::string& folder) {
    Canvas c(694, 560);
    drawSheet(c, palette::ringMagenta);
    c.outlinedText("Tintaro", "DejaVu Sans Bold 34", 0, 22, 694, 1, palette::ringMagenta, kWhite,
                   3);
    c.text("Credits", "DejaVu Sans Bold 14", 0, 82, 694, 1, palette::ink);
    const std::string body =
        "<b>Made by</b> the Tintaro team: game design, programming, pictures and music were all "
        "made here, for this game.\n\n"
        "<b>Lettering</b> in the DejaVu fonts.\n\n"
        "<b>Pictures</b> drawn in code with Cairo and Pango.\n\n"
        "<b>Music</b> written as notes and rendered with FluidSynth and the TimGM6mb General "
        "MIDI soundfont; the click and the bell are synthesised.\n\n"
        "<b>Window, input and sound</b> through SDL2.\n\n"
        "Thank you for playing!";
    c.text(body, "DejaVu Sans 11.5", 90, 124, 514, 1, palette::ink);
    drawRingEmblem(c, 347, 455, 0.62);
    c.text("Click anywhere or press Esc to go back.", "DejaVu Sans 10", 0, 528, 694, 1,
           darker(palette::sky, 0.6));
    return save(c, folder, "title/Credits.bmp", true, palette::paper);
}

bool writeListPicture(const std::string& folder) {
    Canvas c(kSlotWidth, kSlotHeight);
    drawPictureGround(c, palette::paper, lighter(palette::ringBlue, 0.62));
    drawRingEmblem(c, 62, 53, 0.46);
    c.outlinedText("Tintaro", "DejaVu Sans Bold 22", 118, 20, 124, 1, palette::ringMagenta, kWhite,
                   2);
    c.text("Turn the rings,\nsort the colours", "DejaVu Sans 9.5", 118, 54, 124, 1, palette::ink);
    return save(c, folder, "GatefoldButton.bmp", true, palette::sky);
}

}  // namespace

bool writeMenuPictures(const std::string& menuFolder) {
    const std::string& f = menuFolder;
    return writeListBackground(f) && writeArrowStrip(f, "PageArrowsLeft.bmp", true) &&
           writeArrowStrip(f, "PageArrowsRight.bmp", false) && writePageNumbers(f) &&
           labelStrip(f, "Info.bmp", 72, 36, 2, "Info", palette::button, kSmallLabelFont,
                      palette::panel) &&
           labelStrip(f, "SmallExit.bmp", 72, 36, 2, "Exit", kRed, kSmallLabelFont,
                      palette::panel) &&
           writeGameButtonFrames(f) && writeCollectButton(f) && writeInfoPage(f) &&
           writeBackButton(f, "backbutton.bmp", palette::panel) && writeHallPage(f) &&
           labelStrip(f, "UploadButton.bmp", 130, 44, 2, "Upload", palette::ringBlue, kLabelFont,
                      palette::paper) &&
           labelStrip(f, "ClearScores.bmp", 130, 44, 2, "Clear", kRed, kLabelFont,
                      palette::paper) &&
           writeHallFonts(f) && writePlayerPage(f, false) && writePlayerPage(f, true) &&
           writeKeyCap(f, "KeyCap.bmp", 44) && writeKeyCap(f, "KeyCapWide.bmp", 128) &&
           labelStrip(f, "EnterButton.bmp", 104, 44, 2, "Save", kGreen, kLabelFont,
                      palette::paper) &&
           labelStrip(f, "RemoveButton.bmp", 104, 44, 2, "Remove", kRed, kLabelFont,
                      palette::paper) &&
           writeYesNo(f) && writeNameFonts(f) && writeCaret(f);
}

bool writeTintaroTitlePictures(const std::string& gameFolder) {
    const std::string& f = gameFolder;
    return writeListPicture(f) && writeTitleBackground(f) && writeTitleButtons(f) &&
           writeSwitch(f, "sfx.bmp", false) && writeSwitch(f, "music.bmp", true) &&
           writeNameFonts(f) && writeCaret(f) &&
           labelStrip(f, "BackButton.bmp", 80, 40, 2, "Back", palette::button, kLabelFont,
                      palette::paper) &&
           writeCredits(f);
}

}  // namespace art
