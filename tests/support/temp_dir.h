// A fresh folder under the system's temporary folder, removed with its contents when
// the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file (creating folders) and returns its full path.
    std::string write(const std::string& relative, const std::string& contents) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

// The whole of a file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace testsupport
