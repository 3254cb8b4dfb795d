// The game list's pictures: background, page controls, game frames, the "more games" slot,
// the information page and Tintaro's picture on the list.
#include "artwork/game_list_art.h"

#include <cmath>
#include <string>

#include "artwork/logo.h"
#include "artwork/look.h"
#include "artwork/menu_look.h"

namespace art {
namespace {

// Game slots on the list: the size of a game's picture and of each frame of the
// "GameButton" strip drawn over it.
constexpr int kSlotWidth = 250;
constexpr int kSlotHeight = 100;
constexpr int kSlotX[3] = {14, 271, 528};
constexpr int kSlotY[4] = {140, 247, 355, 461};
constexpr Rgb kNumberTile{0.905, 0.940, 0.990};  // flat ground of the page number

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

}  // namespace

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

bool writeListPicture(const std::string& folder) {
    Canvas c(kSlotWidth, kSlotHeight);
    drawPictureGround(c, palette::paper, lighter(palette::ringBlue, 0.62));
    drawRingEmblem(c, 62, 53, 0.46);
    c.outlinedText("Tintaro", "DejaVu Sans Bold 22", 118, 20, 124, 1, palette::ringMagenta, kWhite,
                   2);
    c.text("Turn the rings,\nsort the colours", "DejaVu Sans 9.5", 118, 54, 124, 1, palette::ink);
    return save(c, folder, "GatefoldButton.bmp", true, palette::sky);
}

}  // namespace art
