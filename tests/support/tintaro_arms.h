// Where the headless Tintaro's six arms sit on its board, and where a click turns each one.
#pragma once

#include <string>

namespace testsupport {

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
