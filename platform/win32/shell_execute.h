// Starting other programs without a shell: the program is found as Windows would find
// it and executed directly, its parameters text passed as one argument.
#pragma once

#include <string>

namespace platform {

// True for an http:// or https:// address, which goes to the desktop's URL opener.
bool isWebAddress(const char* file);

// The program file that `file` names, or an empty text when there is none. A relative
// name is looked for in `folder` first, then in the current folder; names match without
// regard to case, and "X.exe" finds "X" when no "X.exe" exists.
std::string findProgram(const char* file, const char* folder);

// True when `folder` (Windows spelling) is given, not empty, and no existing folder.
bool isMissingFolder(const char* folder);

// Starts `file` with `parameters` (one argument, none when empty) in `folder` (the
// current folder when null or empty) and does not wait for it. Returns a value greater
// than 32 on success, else SE_ERR_FNF, SE_ERR_PNF or SE_ERR_ACCESSDENIED.
int spawnProgram(const char* file, const char* parameters, const char* folder);

// Hands `address` to the desktop's URL opener (xdg-open) as one argument.
int openWebAddress(const char* address);

}  // namespace platform
