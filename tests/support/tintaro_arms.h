// The staged Tintaro's folder, where its six arms sit on the board and where a click turns
// each one, and its buttons clicked.
#pragma once

#include <string>

namespace testsupport {

inline const std::string kStagedTintaro = std::string(STUDIO_STAGE_DIR) + "/Tintaro";
// A click on the Exit or New Game button, and the frames it takes.
inline constexpr const char* kExit = "click 750 545\nwait 5\n";
inline constexpr const char* kNewGame = "click 610 545\nwait 5\n";

struct ArmPlace {
    const char* name;
    const char* file;  // the arm's picture in the game's folder
    int x, y, ring, direction;
};
extern const ArmPlace kArms[6];

// The opaque pixel of an arm's normal image nearest its centre, in screen coordinates; with
// `transparent`, a pure-blue pixel inside it at least 4 pixels from anything opaque. False
// when the game folder's picture cannot be read or has no such pixel.
bool armPoint(const std::string& gameDir, const ArmPlace& arm, bool transparent, int& sx, int& sy);

}  // namespace testsupport
