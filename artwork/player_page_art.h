// The players page and what typing a name needs: key caps, yes/no buttons, the caret and the
// name fonts, which the title screen's name boxes use too.
#pragma once

#include <string>

namespace art {

// The players page, for the mouse and keys or (`pad`) for the game pad.
bool writePlayerPage(const std::string& folder, bool pad);
// The on-screen keyboard's key caps, w x 30 each: normal, then focused.
bool writeKeyCap(const std::string& folder, const char* name, int w);
bool writeYesNo(const std::string& folder);
// The block caret shown where the next letter of a name goes.
bool writeCaret(const std::string& folder);
// The normal and highlighted fonts names are written in.
bool writeNameFonts(const std::string& folder);

}  // namespace art
