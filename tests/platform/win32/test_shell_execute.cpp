// Starting programs: names and parameters reach the program intact, never through a
// shell; the headless backend only records the launch.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/transcript.h"
#include "platform/win32/shell_execute.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

// A helper program that writes its argument count, its first argument and its working
// folder to `report` (written under another name first, then renamed, so that a reader
// never sees half of it).
void writeHelper(const std::string& path, const std::string& report) {
    std::ofstream out(path, std::ios::binary);
    out << "#!/bin/sh\n"
        << "printf '%s\\n%s\\n%s\\n' \"$#\" \"$1\" \"$(pwd)\" > '" << report << ".part'\n"
        << "mv '" << report << ".part' '" << report << "'\n";
    out.close();
    ::chmod(path.c_str(), 0755);
}

// The helper's report, waiting up to five seconds for it.
std::string waitForReport(const std::string& report) {
    for (int i = 0; i < 500; ++i) {
        if (std::filesystem::exists(report)) {
            std::ifstream in(report, std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            return s.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "(no report)";
}

TEST(SpawnProgram, NameAndParametersArriveIntact) {
    TempDir dir;
    const std::string folder = dir.str() + "/Game's \"Folder\"; $(touch injected)";
    std::filesystem::create_directories(folder);
    const std::string report = dir.str() + "/report.txt";
    writeHelper(folder + "/My \"Game\"; $(touch injected) `x`", report);

    const std::string parameters = "/menu folder/with 'quotes' \"and\"; $(touch injected) && |";
    const int result = platform::spawnProgram("my \"game\"; $(touch injected) `X`.exe",
                                              parameters.c_str(), folder.c_str());
    EXPECT_GT(result, 32);
    EXPECT_EQ(waitForReport(report), "1\n" + parameters + "\n" + folder + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "injected"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/injected"));
}

TEST(SpawnProgram, EmptyParametersPassNoArgument) {
    TempDir dir;
    const std::string report = dir.str() + "/report.txt";
    writeHelper(dir.str() + "/Gatefold", report);
    EXPECT_GT(platform::spawnProgram((dir.str() + "\\gatefold.exe").c_str(), "", nullptr), 32);
    EXPECT_EQ(waitForReport(report).substr(0, 3), "0\n\n");
}

TEST(SpawnProgram, RelativeNamesAreFoundInTheWorkingFolderFirst) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "current");
    std::filesystem::create_directories(dir.path() / "work");
    writeHelper(dir.str() + "/current/Tintaro", dir.str() + "/from-current.txt");
    writeHelper(dir.str() + "/work/Tintaro", dir.str() + "/from-work.txt");
    writeHelper(dir.str() + "/current/OnlyHere", dir.str() + "/only-here.txt");
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path() / "current");

    const std::string work = dir.str() + "/work";
    EXPECT_GT(platform::spawnProgram("Tintaro.exe", "x", work.c_str()), 32);
    EXPECT_EQ(waitForReport(dir.str() + "/from-work.txt"), "1\nx\n" + work + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.str() + "/from-current.txt"));

    // Not in the working folder: the current folder's program, run in the working folder.
    EXPECT_GT(platform::spawnProgram("onlyhere.exe", "y", work.c_str()), 32);
    EXPECT_EQ(waitForReport(dir.str() + "/only-here.txt"), "1\ny\n" + work + "\n");
    std::filesystem::current_path(previous);
}

TEST(SpawnProgram, MissingProgramsAndFoldersAreReported) {
    TempDir dir;
    dir.write("data.txt", "not a program");
    EXPECT_EQ(platform::spawnProgram((dir.str() + "/Nothing.exe").c_str(), "", nullptr),
              SE_ERR_FNF);
    EXPECT_EQ(platform::spawnProgram("", "", nullptr), SE_ERR_FNF);
    EXPECT_EQ(platform::spawnProgram((dir.str() + "/data.txt").c_str(), "", nullptr),
              SE_ERR_ACCESSDENIED);
    writeHelper(dir.str() + "/Game", dir.str() + "/never.txt");
    EXPECT_EQ(platform::spawnProgram((dir.str() + "/Game").c_str(), "",
                                     (dir.str() + "/no folder").c_str()),
              SE_ERR_PNF);
}

TEST(SpawnProgram, WebAddressesAreRecognised) {
    EXPECT_TRUE(platform::isWebAddress("http://example.invalid/cgi-bin/hiscore.cgi?game=a"));
    EXPECT_TRUE(platform::isWebAddress("HTTPS://example.invalid"));
    EXPECT_FALSE(platform::isWebAddress("httpx://example.invalid"));
    EXPECT_FALSE(platform::isWebAddress("Tintaro.exe"));
    EXPECT_FALSE(platform::isWebAddress(nullptr));
}

TEST(ShellExecuteHeadless, RecordsTheLaunchAndStartsNothing) {
    TempDir dir;
    const std::string report = dir.str() + "/report.txt";
    writeHelper(dir.str() + "/Tintaro", report);
    const std::string transcript = dir.str() + "/transcript.txt";
    ASSERT_TRUE(platform::transcriptOpen(transcript));
    const std::string folder = dir.str() + "\\";
    HINSTANCE r1 = ShellExecuteA(nullptr, "open", "Tintaro.exe", "C:\\Menu Folder", folder.c_str(),
                                 SW_SHOWNORMAL);
    HINSTANCE r2 =
        ShellExecuteA(nullptr, "open", "http://example.invalid/x", nullptr, nullptr, SW_SHOWNORMAL);
    // A working folder that does not exist fails as a real start does; nothing is recorded.
    HINSTANCE r3 = ShellExecuteA(nullptr, "open", "Tintaro.exe", "C:\\Menu Folder",
                                 (dir.str() + "\\no folder").c_str(), SW_SHOWNORMAL);
    platform::transcriptClose();
    EXPECT_GT(reinterpret_cast<std::intptr_t>(r1), 32);
    EXPECT_GT(reinterpret_cast<std::intptr_t>(r2), 32);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(r3), SE_ERR_PNF);

    std::ifstream in(transcript);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "launch\topen\tTintaro.exe\tC:\\Menu Folder\t" + folder +
                           "\nlaunch\topen\thttp://example.invalid/x\t\t\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(std::filesystem::exists(report));
}

}  // namespace
