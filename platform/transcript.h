// The headless backend's transcript: one line per outside event, fields separated by
// tabs. Writing is a no-op when no transcript is open (always, in the sdl backend).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

bool transcriptOpen(const std::string& path);
void transcriptClose();
void transcriptWrite(std::initializer_list<std::string_view> fields);

}  // namespace platform
