// Tintaro's title screen: its background with the players' corner, its buttons, the sound
// and music switches, and the credits page.
#pragma once

#include <string>

namespace art {

bool writeTitleBackground(const std::string& folder);
// The title screen's command buttons and its Players button.
bool writeTitleButtons(const std::string& folder);
// A switch: image 0 shows it on, image 1 off (struck through and greyed).
bool writeSwitch(const std::string& folder, const char* name, bool music);
bool writeCredits(const std::string& folder);

}  // namespace art
