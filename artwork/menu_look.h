// The menu pictures' shared pieces: colours, fonts, the backdrop, panels, dialog pages,
// labelled button strips and the ring emblem, used by the list, the pages and the title screen.
#pragma once

#include <string>

#include "artwork/look.h"

namespace art {

// Dialog pages sit at (53, 18) on the screen.
inline constexpr int kDialogWidth = 694;
inline constexpr int kDialogHeight = 564;

inline constexpr Rgb kWhite{1, 1, 1};
inline constexpr Rgb kFieldPaper = palette::panel;  // the boxes the name fonts write in
inline constexpr Rgb kGreen{0.250, 0.640, 0.300};
inline constexpr Rgb kRed{0.820, 0.260, 0.240};
inline constexpr Rgb kGrey{0.560, 0.590, 0.650};

inline constexpr const char* kLabelFont = "DejaVu Sans Condensed Bold 12";
inline constexpr const char* kSmallLabelFont = "DejaVu Sans Condensed Bold 10";

// A white rounded panel with a soft shadow and a thin rim.
void drawPanel(Canvas& c, double x, double y, double w, double h, double r, double alpha = 0.94,
               Rgb fill = palette::panel);

// The house backdrop: the paper-to-sky gradient with a few soft bubbles.
void drawBackdrop(Canvas& c);

// A dialog page: a rounded sheet with a coloured rim, keyed outside the corners.
void drawSheet(Canvas& c, Rgb rim);

// A strip of `count` labelled button faces of w x h: normal, highlighted and (third)
// pressed.
bool labelStrip(const std::string& folder, const std::string& name, int w, int h, int count,
                const std::string& label, Rgb colour, const std::string& font,
                Rgb matte = palette::sky);

// Fills the current path white with a dark edge, as the button lettering is drawn.
void fillSymbol(Canvas& c, Rgb colour);

// Three overlapping ring tracks with chips on them, as on Tintaro's board, centred at
// (cx, cy); `scale` 1 gives rings of radius 56.
void drawRingEmblem(Canvas& c, double cx, double cy, double scale);

}  // namespace art
