// The players page, the on-screen keyboard's key caps, the yes/no buttons, the caret and
// the name fonts.
#include "artwork/player_page_art.h"

#include <string>
#include <vector>

#include "artwork/glyph_strip.h"
#include "artwork/look.h"
#include "artwork/menu_look.h"

namespace art {

// The players page. Its game pad version leaves a band plain for the on-screen keyboard the
// menu draws there and says how to type with the pad; the fields are at the same places in both.
bool writePlayerPage(const std::string& folder, bool pad) {
    Canvas c(kDialogWidth, kDialogHeight);
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

}  // namespace art
