// The shell's WinMain run in-process with a program of the test's own: start-up order as the
// program sees it, a command line of any length kept whole, and the end of the program when
// a screen answers 7.
#include "shell/app_shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/screen.h"
#include "framework/screen_manager.h"
#include "platform/backend.h"
#include "shell/shell_state.h"

namespace {

std::vector<std::string> g_events;

class QuittingScreen : public Screen {
public:
    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override {
        Screen::enter(dd, back);
        g_events.push_back("enter");
    }
    void leave() override {
        if (entered) g_events.push_back("leave");
        entered = false;
        Screen::leave();
    }
    int update(int active) override {
        entered = true;
        g_events.push_back(active ? "frame" : "inactive frame");
        present();
        return ++frames == 3 ? 7 : 1;
    }
    bool entered = false;
    int frames = 0;
};

QuittingScreen g_screen;

void registerScreens() {
    g_screen.setName("quitter");
    screenManager.addScreen(&g_screen);
    g_events.push_back("register");
}
void useCommandLine(const char* text) {
    g_events.push_back(std::string("command ") + text);
}
void releaseState() {
    g_events.push_back("release");
}

TEST(AppShell, RunsUntilAScreenAnswersSevenKeepingALongCommandLineWhole) {
    platform::setDesktopForTests({1024, 768, 16});
    const Program program{"Tester", "quitter",        false,           false,
                          true,     &registerScreens, &useCommandLine, &releaseState};
    // Far longer than any fixed path buffer.
    std::string text(5000, 'x');
    text += "\\end";
    const int before = shutdownRunCount();
    EXPECT_EQ(shellWinMain(nullptr, text.c_str(), program), 0);
    EXPECT_EQ(shutdownRunCount(), before + 1);
    ASSERT_NE(commandLine, nullptr);
    EXPECT_EQ(std::string(commandLine), text);
    const std::vector<std::string> expected = {"register", "enter", "command " + text, "frame",
                                               "frame",    "frame", "leave",           "release"};
    EXPECT_EQ(g_events, expected);
    EXPECT_FALSE(IsWindow(mainWindow));
}

}  // namespace
