#include "profile/save_report.h"

#include <string>

#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/user_data.h"
#include "platform/win32/win32.h"

namespace {
bool reported = false;
}

void reportFailedSave(const char* what, const char* path) {
    const DWORD error = GetLastError();
    if (reported) return;
    reported = true;
    const std::string folder = platform::shownFolder(platform::resolvePath(path ? path : ""));
    const std::string text = std::string(what ? what : "A file") +
                             " could not be saved: " + platform::describeSaveError(error) + " (" +
                             folder + ").";
    MessageBoxA(nullptr, text.c_str(), "Not saved", MB_ICONERROR);
}

bool failedSaveReported() {
    return reported;
}

void resetFailedSaveReport() {
    reported = false;
}
