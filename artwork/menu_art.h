// Every picture of the menu: the game list, its information page, the hall of fame and
// the players page in the menu folder, and each game's title screen in its own folder.
#pragma once

#include <string>

namespace art {

// Writes the menu folder's pictures into `menuFolder`. Returns false when a file could
// not be written or a font strip failed its check.
bool writeMenuPictures(const std::string& menuFolder);

// Writes Tintaro's list button, title screen, its buttons, fonts and pages into
// `gameFolder` ("title" inside it must exist).
bool writeTintaroTitlePictures(const std::string& gameFolder);

}  // namespace art
