// Opening a file for reading only when it is a regular file, and never blocking on the
// open: a FIFO, a device or a folder where a picture or a saved file should be is refused
// at once instead of hanging or feeding endless bytes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// A read-only descriptor of the regular file at `path` (a POSIX path; the user's copy of
// an installed file when there is one), or -1 with errno set (EINVAL for something that
// is not a regular file).
int openRegularFile(const std::string& path);
// The same as a stdio stream reading bytes, or null.
std::FILE* openRegularFileStream(const std::string& path);
// The whole file into `out`; false when it is not a readable regular file or holds more
// than maxBytes (then nothing is read).
bool readRegularFile(const std::string& path, std::vector<unsigned char>& out,
                     std::size_t maxBytes);

}  // namespace platform
