// The platform's side of main(): backend options, then WinMain with the command line.
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/display/window_placement.h"
#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/user_data.h"

namespace platform {
namespace {

// Saves that were interrupted (a crash, a kill) leave their temporary files behind; each
// start clears those of dead processes from the folders the programs save into.
void removeStaleSaveFiles() {
    for (const char* folder : {".", ".."}) {
        const std::string writable = writableFolder(folder);
        if (!writable.empty()) removeStaleTemporaryFiles(writable);
    }
    const std::string window = windowStatePath();
    if (!window.empty()) removeStaleTemporaryFiles(folderOf(window));
}

}  // namespace

int runProgram(int argc, char** argv, WinMainFn winMain) {
    std::string commandLine;
    const int early = backendStart(argc, argv, commandLine);
    if (early >= 0) return early;
    installCloseSignals();
    // A real window's program starts in its own folder, wherever it was started from; a
    // headless one stays where its script's runner put it.
    if (!backend().virtualTime()) enterProgramFolder();
    setUpUserData();
    removeStaleSaveFiles();
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x400000);
    const int code = winMain(instance, nullptr, text.data(), SW_SHOWNORMAL);
    backendFinish(code);
    return code;
}

}  // namespace platform
