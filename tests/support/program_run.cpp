#include "tests/support/program_run.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace testsupport {

int startHeadless(const std::string& program, const std::string& folder, const std::string& script,
                  const std::vector<std::string>& extraArgs, const std::string& workDir) {
    const std::string scriptPath = workDir + "/script.txt";
    const std::string transcriptPath = workDir + "/transcript.tsv";
    std::ofstream(scriptPath) << script;
    std::vector<std::string> args = {program,           "--script",     scriptPath,
                                     "--transcript",    transcriptPath, "--capture-dir",
                                     workDir + "/shots"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

ProgramRun finishHeadless(int pid, const std::string& workDir) {
    ProgramRun run;
    run.captureDir = workDir + "/shots";
    if (pid <= 0) return run;
    const std::string transcriptPath = workDir + "/transcript.tsv";
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::ifstream in(transcriptPath);
    for (std::string line; std::getline(in, line);) run.transcript.push_back(line);
    return run;
}

ProgramRun runHeadless(const std::string& program, const std::string& folder,
                       const std::string& script, const std::vector<std::string>& extraArgs,
                       const std::string& workDir) {
    return finishHeadless(startHeadless(program, folder, script, extraArgs, workDir), workDir);
}

Picture readBmp24(const std::string& path) {
    Picture pic;
    std::ifstream in(path, std::ios::binary);
    std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return pic;
    auto u32 = [&](size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
    };
    const std::uint32_t offset = u32(10);
    const int w = static_cast<int>(u32(18));
    int h = static_cast<int>(u32(22));
    const int bpp = static_cast<unsigned char>(b[28]);
    if (bpp != 24 || w <= 0) return pic;
    const bool bottomUp = h > 0;
    if (h < 0) h = -h;
    const size_t row = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
    if (offset + row * h > b.size()) return pic;
    pic.width = w;
    pic.height = h;
    pic.rgb.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const size_t src = offset + row * (bottomUp ? h - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &pic.rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<unsigned char>(b[src + x * 3 + 2]);
            p[1] = static_cast<unsigned char>(b[src + x * 3 + 1]);
            p[2] = static_cast<unsigned char>(b[src + x * 3]);
        }
    }
    return pic;
}

GlowBox focusGlow(const Picture& shot) {
    GlowBox box;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            int r, g, b;
            shot.pixel(x, y, r, g, b);
            // The glow's gold as a 16-bit display shows it.
            if (r < 247 || g < 178 || g > 194 || b > 34) continue;
            if (box.pixels++ == 0) {
                box.left = box.right = x;
                box.top = box.bottom = y;
            }
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
        }
    return box;
}

bool glowAround(const Picture& shot, int x, int y, int w, int h) {
    const GlowBox g = focusGlow(shot);
    constexpr int kReach = 9;
    return g.pixels >= 100 && g.left >= x - kReach && g.top >= y - kReach &&
           g.right < x + w + kReach && g.bottom < y + h + kReach;
}

bool pureBlue(const Picture& p, int x, int y) {
    int r, g, b;
    p.pixel(x, y, r, g, b);
    return r == 0 && g == 0 && b == 255;
}

std::int32_t int32At(const std::string& bytes, size_t at) {
    std::int32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

void copyGameFolder(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        const fs::path relative = fs::relative(entry.path(), from);
        const std::string ext = entry.path().extension().string();
        if (entry.is_directory())
            fs::create_directories(fs::path(to) / relative);
        else if (ext == ".bmp" || ext == ".wav" || ext == ".ini")
            fs::copy_file(entry.path(), fs::path(to) / relative);
    }
}

}  // namespace testsupport
