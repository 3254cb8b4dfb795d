// A drawing surface for the artwork generator: a Cairo ARGB image with helpers for
// the house look (gradients, rounded shapes, lettering) and for writing it as the
// 24-bit BMP the programs load, with transparency flattened onto pure blue.
#pragma once

#include <cairo.h>

#include <string>

namespace art {

struct Rgb {
    double r, g, b;
};

// Adds an opaque colour stop to a cairo gradient.
inline void addColourStop(cairo_pattern_t* pattern, double offset, Rgb c) {
    cairo_pattern_add_color_stop_rgb(pattern, offset, c.r, c.g, c.b);
}

Rgb mix(Rgb a, Rgb b, double t);
Rgb lighter(Rgb c, double t);  // towards white
Rgb darker(Rgb c, double t);   // towards black

class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return width_; }
    int height() const { return height_; }

    void fill(Rgb c);
    void verticalGradient(double x, double y, double w, double h, Rgb top, Rgb bottom);
    void roundedRect(double x, double y, double w, double h, double r);
    void setColour(Rgb c, double alpha = 1.0);

    // Lays out text with Pango in the given font ("DejaVu Sans Bold 14") and draws it
    // with its top-left at (x, y); align 0 left, 1 centre, 2 right of `width` (a
    // width of 0 means no wrapping). Returns the height of the laid-out text.
    double text(const std::string& markup, const std::string& font, double x, double y,
                double width, int align, Rgb colour, double alpha = 1.0);
    // The width and height of text as text() lays it out.
    void measureText(const std::string& markup, const std::string& font, double width, int* w,
                     int* h) const;
    // Text with a soft dark outline, for lettering on pictures.
    double outlinedText(const std::string& markup, const std::string& font, double x,
                        double y, double width, int align, Rgb colour, Rgb outline,
                        double outlineWidth);

    // Copies another canvas in at (x, y).
    void paste(const Canvas& other, double x, double y);

    // Writes a 24-bit BMP. Pixels less than half covered become pure blue (the
    // programs' transparent colour) when `keyed`; the others are composited over
    // `matte` and kept clear of the colours that turn into pure blue at 16 bits.
    bool writeBmp(const std::string& path, bool keyed, Rgb matte = {0, 0, 0}) const;
    // Writes a PNG with its transparency, as desktop icons are.
    bool writePng(const std::string& path) const;

private:
    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

}  // namespace art
