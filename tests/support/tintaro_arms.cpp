#include "tests/support/tintaro_arms.h"

#include "tests/support/program_run.h"

namespace testsupport {

const ArmPlace kArms[6] = {
    {"bluetop", "bluetop.bmp", 272, 161, 0, 0},
    {"bluebottom", "bluebottom.bmp", 255, 205, 0, 1},
    {"magentaleft", "magentaleft.bmp", 339, 372, 2, 0},
    {"magentaright", "magentaright.bmp", 397, 372, 2, 1},
    {"yellowtop", "yellowtop.bmp", 469, 167, 1, 1},
    {"yellowbottom", "yellowbottom.bmp", 489, 209, 1, 0},
};

bool armPoint(const std::string& gameDir, const ArmPlace& arm, bool transparent, int& sx, int& sy) {
    const Picture strip = readBmp24(gameDir + "/" + arm.file);
    if (!strip.ok()) return false;
    const int w = strip.width / 2, h = strip.height;
    long best = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool ok = !pureBlue(strip, x, y);
            if (transparent) {
                ok = true;
                for (int dy = -4; dy <= 4 && ok; ++dy)
                    for (int dx = -4; dx <= 4 && ok; ++dx) {
                        const int px = x + dx, py = y + dy;
                        if (px >= 0 && py >= 0 && px < w && py < h && !pureBlue(strip, px, py))
                            ok = false;
                    }
            }
            if (!ok) continue;
            const long d = static_cast<long>(x - w / 2) * (x - w / 2) +
                           static_cast<long>(y - h / 2) * (y - h / 2);
            if (best < 0 || d < best) {
                best = d;
                sx = arm.x + x;
                sy = arm.y + y;
            }
        }
    return best >= 0;
}

}  // namespace testsupport
