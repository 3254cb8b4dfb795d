#include "platform/transcript.h"

#include <cstdio>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::FILE* g_file = nullptr;

}  // namespace

bool transcriptOpen(const std::string& path) {
    std::lock_guard lock(g_mutex);
    if (g_file) std::fclose(g_file);
    g_file = std::fopen(path.c_str(), "wb");
    return g_file != nullptr;
}

void transcriptClose() {
    std::lock_guard lock(g_mutex);
    if (g_file) std::fclose(g_file);
    g_file = nullptr;
}

void transcriptWrite(std::initializer_list<std::string_view> fields) {
    std::lock_guard lock(g_mutex);
    if (!g_file) return;
    bool first = true;
    for (std::string_view f : fields) {
        if (!first) std::fputc('\t', g_file);
        first = false;
        // A field never spans lines or tabs: the transcript is one event per line.
        for (char c : f) std::fputc((c == '\n' || c == '\t' || c == '\r') ? ' ' : c, g_file);
    }
    std::fputc('\n', g_file);
    // Flushed per line so that a crash still leaves every event written so far.
    std::fflush(g_file);
}

}  // namespace platform
