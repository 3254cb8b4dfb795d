// A game folder inside a temporary menu folder as the working folder, so that the
// programs' "..\\options.ini" and "hiscore.dat" land in the temporary tree.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace profiletest {

class WorkingFolder {
public:
    WorkingFolder() : previous_(std::filesystem::current_path()) {
        std::filesystem::create_directories(dir_.path() / "Game");
        std::filesystem::current_path(dir_.path() / "Game");
        setenv("STUDIO_PROFILE_DIR", dir_.str().c_str(), 1);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    // Paths relative to the menu folder (options.ini) or the game folder ("Game/...").
    std::string write(const std::string& relative, const std::string& contents) const {
        return dir_.write(relative, contents);
    }
    std::string read(const std::string& relative) const { return dir_.read(relative); }
    std::filesystem::path path(const std::string& relative) const { return dir_.path() / relative; }

private:
    testsupport::TempDir dir_;
    std::filesystem::path previous_;
};

}  // namespace profiletest
