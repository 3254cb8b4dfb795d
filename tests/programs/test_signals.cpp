// Tintaro and Gatefold headless builds ended by a signal: SIGTERM and SIGHUP close them as
// their window's close button does.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/programs/program_folders.h"
#include "tests/support/program_run.h"

using namespace programtest;

namespace {

namespace fs = std::filesystem;

// Whether the process ends within `limit`; it is left to be waited for.
bool endsWithin(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A logout's SIGHUP and a SIGTERM end either program as its window's close button does:
// through its normal shutdown, with status 0 and a complete transcript, long before its
// script would have ended; a second signal while it closes does not kill it either.
TEST(ProgramSignals, TerminationAndHangUpCloseTheWindowAndEndNormally) {
    struct Case {
        const char* program;
        int signal;
    };
    const std::string script = "wait 5\nwait 3000000\ncapture late.bmp\n";
    for (const Case c : {Case{"Gatefold", SIGTERM}, Case{"Gatefold", SIGHUP},
                         Case{"Tintaro", SIGTERM}, Case{"Tintaro", SIGHUP}}) {
        const bool menu = std::string(c.program) == "Gatefold";
        std::optional<GatefoldFolder> gatefold;
        std::optional<TintaroFolder> tintaro;
        if (menu)
            gatefold.emplace();
        else
            tintaro.emplace();
        const fs::path work = menu ? gatefold->work() : tintaro->work();
        const int pid = testsupport::startHeadless(
            menu ? kGatefold : kTintaro, (menu ? gatefold->menu() : tintaro->game()).string(),
            script, {"--max-frames", "4000000"}, work.string());
        ASSERT_GT(pid, 0) << c.program;
        // The window exists once its title is in the transcript.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (readFile(work / "transcript.tsv").find("title\t") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::kill(pid, c.signal);
        ::kill(pid, c.signal == SIGTERM ? SIGHUP : SIGTERM);
        const bool ended = endsWithin(pid, std::chrono::seconds(10));
        if (!ended) ::kill(pid, SIGKILL);
        const auto run = testsupport::finishHeadless(pid, work.string());
        EXPECT_TRUE(ended) << c.program << " ran on after signal " << c.signal;
        EXPECT_EQ(run.exitStatus, 0) << c.program << " signal " << c.signal;
        ASSERT_FALSE(run.transcript.empty()) << c.program;
        EXPECT_EQ(run.transcript.back(), "exit\t0") << c.program << " signal " << c.signal;
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the script ran to its end";
    }
}

}  // namespace
