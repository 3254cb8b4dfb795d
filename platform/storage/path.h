// platform/storage/: the files the programs keep: Windows paths, regular files only, saves
// that are always whole, each user's own data folder, and the lock between processes.
//
// Windows paths on a POSIX file system: backslashes become slashes and each component
// that does not exist with its exact spelling is found without regard to case.
#pragma once

#include <string>

namespace platform {

// The POSIX path of a Windows-spelled path. Components that exist in no spelling are
// kept as given, so a file can be created under that name.
std::string resolvePath(const char* windowsPath);

// The folder part of a POSIX path: "." for a bare name, "/" for a file at the root.
std::string folderOf(const std::string& path);

// The folder where bare profile file names ("x.ini") live, as Windows keeps them in its
// own folder: $STUDIO_PROFILE_DIR, else $XDG_CONFIG_HOME/studio, else ~/.config/studio.
std::string profileFolder();

}  // namespace platform
