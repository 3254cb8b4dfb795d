// Each user's own copy of the files the programs save. An installed tree is read-only and
// shared; its menu folder holds the marker file "userdata.ini", whose [userdata] "folder"
// names the user's data folder ($XDG_DATA_HOME, default ~/.local/share, then that name).
// A file written under the installed tree goes to the same relative place in the user's
// folder; a file read there is taken from the user's folder when it has one, else from the
// installed tree. Without the marker (the build's stage folder) nothing is mapped.
#pragma once

#include <string>

namespace platform {

// Looks for the marker in the current folder and the one above it; called once at start,
// after the program's folder has been made current.
void setUpUserData();
// Maps `installedRoot` onto `userRoot` (both absolute); empty strings end the mapping.
void setUserDataRoots(const std::string& installedRoot, const std::string& userRoot);
// The path a read of `path` (a POSIX path) uses: the user's copy when there is one.
std::string readablePath(const std::string& path);
// The path a write of `path` goes to: under the user's folder, whose folders are created.
// Empty when it lies in the installed tree and the user has no folder to write in.
std::string writablePath(const std::string& path);

// The folder that writes into `folder` go to, as writablePath maps the files in it, without
// creating anything; empty when it lies in the installed tree and the user has no folder.
std::string writableFolder(const std::string& folder);

// The folder a write of `path` goes to, as a player reads it: the home folder shown as "~".
std::string shownFolder(const std::string& path);

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share
// in the home folder ($HOME when absolute, else the user's entry in the password
// database); empty when there is no home, and then nothing is saved there.
std::string userDataHome();

// Makes the folder of the running program's executable current (symbolic links resolved),
// as a shortcut's "Start in" folder would; false when it cannot be found.
bool enterProgramFolder();

}  // namespace platform
