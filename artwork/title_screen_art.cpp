// Tintaro's title screen: background, buttons, switches and the credits page.
#include "artwork/title_screen_art.h"

#include <cmath>
#include <string>

#include "artwork/look.h"
#include "artwork/menu_look.h"

namespace art {
namespace {

constexpr int kNameBoxes[8][2] = {{239, 378}, {408, 378}, {238, 420}, {408, 420},
                                  {238, 464}, {408, 464}, {238, 510}, {408, 510}};

}  // namespace

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
    struct TitleButton {
        const char* file;
        const char* label;
        Rgb colour;
    } buttons[] = {{"HowToPlayButton.bmp", "How to Play", palette::button},
                   {"PlayButton.bmp", "Play", kGreen},
                   {"HighScoresButton.bmp", "High Scores", palette::button},
                   {"MenuButton.bmp", "Menu", palette::button},
                   {"CreditsButton.bmp", "Credits", palette::button},
                   {"ExitButton.bmp", "Exit", kRed}};
    for (const TitleButton& b : buttons) {
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

}  // namespace art
