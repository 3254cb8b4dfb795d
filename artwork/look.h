// The shared look of the pictures: palette, glossy shapes, chips, buttons and arrows.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "artwork/canvas.h"

namespace art {

namespace palette {
inline constexpr Rgb paper{0.985, 0.965, 0.925};
inline constexpr Rgb sky{0.855, 0.910, 0.985};
inline constexpr Rgb ink{0.145, 0.165, 0.310};
inline constexpr Rgb panel{0.995, 0.995, 1.000};
inline constexpr Rgb ringBlue{0.235, 0.470, 0.900};
inline constexpr Rgb ringYellow{0.960, 0.760, 0.120};
inline constexpr Rgb ringMagenta{0.860, 0.250, 0.680};
inline constexpr Rgb button{0.180, 0.560, 0.720};
}  // namespace palette

// The chip colours in strip order M C Y R G B.
Rgb chipColour(int frame);
const char* chipName(int frame);

// Fills the current path with the buttons' glossy top-to-bottom gradient between top and
// bottom, then strokes its rim (white when lit).
void fillGlossyBody(Canvas& c, double top, double bottom, Rgb base, bool lit);

// A glossy chip of the given frame (colour and symbol) centred at (cx, cy).
void drawChip(Canvas& c, int frame, double cx, double cy, double radius);
// A glossy rounded block, as the progress panel shows it.
void drawBlock(Canvas& c, double x, double y, double w, double h, Rgb colour);
// A rounded button face with a centred label; `lit` draws the highlighted state.
void drawButtonFace(Canvas& c, double x, double y, double w, double h, const std::string& label,
                    Rgb colour, bool lit, const std::string& font);
// A thick curved arrow along a circle (centre, radius) from angle a0 to a1 (radians,
// screen convention: growing angles turn clockwise), its head at a1.
void drawArcArrow(Canvas& c, double cx, double cy, double r, double a0, double a1, double width,
                  Rgb colour, bool lit);
// A soft drop shadow under a rounded rectangle.
void drawShadow(Canvas& c, double x, double y, double w, double h, double r);
// A glossy round button body centred at (cx, cy).
void drawRoundBody(Canvas& c, double cx, double cy, double r, Rgb colour, bool lit);

// The game pad's controls as the help texts show them: the four face buttons, the d-pad and
// the Start button.
enum class PadControl { A, B, X, Y, DPad, Start };
// Draws `control` from x, centred on cy, `size` high (a face button's diameter); returns
// its width. With `draw` false it only measures.
double drawPadControl(Canvas& c, PadControl control, double x, double cy, double size,
                      bool draw = true);
// A legend line: pad pictures and runs of text (Pango markup) side by side.
using LegendRun = std::variant<PadControl, std::string>;
// Draws the runs from x, the pictures and the text's lower-case letters centred on cy;
// returns the line's width. With `draw` false it only measures.
double drawLegend(Canvas& c, const std::vector<LegendRun>& runs, double x, double cy,
                  const std::string& font, Rgb colour, double size, bool draw = true);

// Writes `c` as folder/name; says so on stderr and returns false when it cannot.
bool save(const Canvas& c, const std::string& folder, const std::string& name, bool keyed,
          Rgb matte = palette::paper);

}  // namespace art
