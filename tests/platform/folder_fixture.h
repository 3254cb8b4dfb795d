// The file tests' fixture: a fresh temporary folder, no injected faults before or after, and
// CreateFileA opened for writing as the programs open their saves.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/faults.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

namespace platformtest {

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override { platform::faultClearAll(); }
    void TearDown() override { platform::faultClearAll(); }

    std::string at(const std::string& relative) const { return dir.str() + "/" + relative; }
    int entriesIn(const std::filesystem::path& folder) const {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder),
                                              std::filesystem::directory_iterator()));
    }

    testsupport::TempDir dir;
};

inline HANDLE openWrite(const std::string& path, DWORD creation) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

}  // namespace platformtest
