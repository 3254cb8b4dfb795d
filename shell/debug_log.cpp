// The log file is opened once (created or truncated) and kept open, so that each message is
// appended rather than replacing the one before; every write is flushed.
#include "shell/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "platform/storage/user_data.h"

namespace {

std::atomic<int> logEnabled{0};
std::FILE* logFile = nullptr;

}  // namespace

void setLogEnabled(int enabled) {
    logEnabled.store(enabled ? 1 : 0);
}
int isLogEnabled() {
    return logEnabled.load();
}

int logMessage(const char* format, ...) {
    if (logEnabled.load() == 0 || format == nullptr) return 0;
    if (logFile == nullptr) {
        // In an installed tree the log goes to the user's own folder.
        logFile = std::fopen(platform::writablePath("debug.log").c_str(), "wb+");
        if (logFile == nullptr) return 0;
    }
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(logFile, format, args);
    va_end(args);
    return (written >= 0 && std::fflush(logFile) == 0) ? 1 : 0;
}

void closeDebugLog() {
    if (logFile != nullptr) std::fclose(logFile);
    logFile = nullptr;
}
