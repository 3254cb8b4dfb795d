#include "artwork/shell_demo_art.h"

#include <cmath>

#include "artwork/canvas.h"
#include "artwork/look.h"

namespace art {
namespace {

const char* kFont = "DejaVu Sans Bold 15";

bool background(const std::string& path) {
    Canvas c(800, 600);
    c.verticalGradient(0, 0, 800, 600, palette::sky, palette::paper);
    // A faint grid, so that a wrongly restored rectangle shows.
    c.setColour(palette::ink, 0.08);
    for (int x = 0; x <= 800; x += 40) {
        cairo_rectangle(c.cr(), x, 0, 1, 600);
    }
    for (int y = 0; y <= 600; y += 40) {
        cairo_rectangle(c.cr(), 0, y, 800, 1);
    }
    cairo_fill(c.cr());
    c.text("Shell test", "DejaVu Sans Bold 28", 0, 30, 800, 1, palette::ink);
    c.text("Button one starts and stops the spinner; button two opens a dialog; Esc ends.",
           "DejaVu Sans 13", 0, 80, 800, 1, palette::ink);
    return c.writeBmp(path, false);
}

bool buttonStrip(const std::string& path, const std::string& label, Rgb colour) {
    Canvas c(450, 50);
    for (int state = 0; state < 3; ++state) {
        const Rgb face = state == 2 ? darker(colour, 0.25) : colour;
        drawButtonFace(c, state * 150 + 2, 2, 146, 46, label, face, state == 1, kFont);
    }
    return c.writeBmp(path, true);
}

bool spinner(const std::string& path) {
    Canvas c(8 * 48, 48);
    for (int f = 0; f < 8; ++f) {
        const double cx = f * 48 + 24, cy = 24;
        for (int spoke = 0; spoke < 8; ++spoke) {
            const double a = (spoke + f) * M_PI / 4;
            const double shade = spoke / 8.0;
            c.setColour(mix(palette::ringMagenta, palette::paper, shade));
            cairo_arc(c.cr(), cx + 15 * std::cos(a), cy + 15 * std::sin(a), 5, 0, 2 * M_PI);
            cairo_fill(c.cr());
        }
    }
    return c.writeBmp(path, true);
}

bool dialog(const std::string& path) {
    Canvas c(360, 200);
    c.setColour(palette::panel);
    c.roundedRect(2, 2, 356, 196, 14);
    cairo_fill_preserve(c.cr());
    c.setColour(palette::ink);
    cairo_set_line_width(c.cr(), 3);
    cairo_stroke(c.cr());
    c.text("A dialog", "DejaVu Sans Bold 18", 0, 30, 360, 1, palette::ink);
    c.text("Click OK to close it.", "DejaVu Sans 13", 0, 80, 360, 1, palette::ink);
    drawButtonFace(c, 130, 140, 100, 40, "OK", palette::button, false, kFont);
    return c.writeBmp(path, true);
}

}  // namespace

bool writeShellDemoPictures(const std::string& folder) {
    return background(folder + "/background.bmp") &&
           buttonStrip(folder + "/ButtonOne.bmp", "one", palette::button) &&
           buttonStrip(folder + "/ButtonTwo.bmp", "two", palette::ringBlue) &&
           spinner(folder + "/Spinner.bmp") && dialog(folder + "/Dialog.bmp");
}

}  // namespace art
