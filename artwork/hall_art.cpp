// The hall of fame's page and its row fonts.
#include "artwork/hall_art.h"

#include <string>

#include "artwork/glyph_strip.h"
#include "artwork/look.h"
#include "artwork/menu_look.h"

namespace art {
namespace {

constexpr Rgb kPurple{0.470, 0.180, 0.620};    // the hall's purple rows
constexpr Rgb kLavender{0.945, 0.925, 0.995};  // band under a purple row

constexpr int kHallFirstRow = 275;
constexpr int kHallRowStep = 26;

}  // namespace

bool writeHallPage(const std::string& folder) {
    Canvas c(kDialogWidth, kDialogHeight);
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

bool writeHallFonts(const std::string& folder) {
    const GlyphStyle black{"DejaVu Sans Bold 10", palette::ink, kWhite, 20, 1};
    const GlyphStyle purple{"DejaVu Sans Bold 10", kPurple, kLavender, 20, 1};
    return writeGlyphStrip(folder + "/HallBlackFont.bmp", black) &&
           writeGlyphStrip(folder + "/HallPurpleFont.bmp", purple);
}

}  // namespace art
