// Runs a staged headless program with a script and collects what it left behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int exitStatus = -1;
    std::vector<std::string> transcript;  // one entry per line
    std::string captureDir;
};

// Starts `program` (a path under the stage folder) in `folder` with the script text and
// extra arguments; waits for it to end.
ProgramRun runHeadless(const std::string& program, const std::string& folder,
                       const std::string& script, const std::vector<std::string>& extraArgs,
                       const std::string& workDir);

// The same in two halves, for a test that acts on the program while it runs: the start
// returns its process id (-1 when it could not start), the finish waits for it.
int startHeadless(const std::string& program, const std::string& folder, const std::string& script,
                  const std::vector<std::string>& extraArgs, const std::string& workDir);
ProgramRun finishHeadless(int pid, const std::string& workDir);

// Copies a staged game folder's pictures, sounds and settings into `to`, no saved files.
void copyGameFolder(const std::string& from, const std::string& to);

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // top-down, 3 bytes a pixel
    bool ok() const { return width > 0; }
    void pixel(int x, int y, int& r, int& g, int& b) const {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        r = p[0];
        g = p[1];
        b = p[2];
    }
};

// Reads a 24-bit BMP as the headless capture writes it.
Picture readBmp24(const std::string& path);
// True when the pixel is pure blue, the pictures' transparent colour.
bool pureBlue(const Picture& p, int x, int y);

// The little-endian 32-bit number at `at` in a saved file's bytes, 0 past their end.
std::int32_t int32At(const std::string& bytes, size_t at);

// Where the keys' and pads' focus glow shows in a capture: the box around its gold pixels.
struct GlowBox {
    int pixels = 0;
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
};
GlowBox focusGlow(const Picture& shot);
// True when the capture shows the glow, and only around the box (x, y, w, h): all of it
// within a few pixels of the box, and enough of it to be seen.
bool glowAround(const Picture& shot, int x, int y, int w, int h);

}  // namespace testsupport
