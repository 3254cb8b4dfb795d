// The menu folder's and Tintaro's title pictures, in the order they are written.
#include "artwork/menu_art.h"

#include <string>

#include "artwork/game_list_art.h"
#include "artwork/hall_art.h"
#include "artwork/look.h"
#include "artwork/menu_look.h"
#include "artwork/player_page_art.h"
#include "artwork/title_screen_art.h"

namespace art {

bool writeMenuPictures(const std::string& menuFolder) {
    const std::string& f = menuFolder;
    return writeListBackground(f) && writeArrowStrip(f, "PageArrowsLeft.bmp", true) &&
           writeArrowStrip(f, "PageArrowsRight.bmp", false) && writePageNumbers(f) &&
           labelStrip(f, "Info.bmp", 72, 36, 2, "Info", palette::button, kSmallLabelFont,
                      palette::panel) &&
           labelStrip(f, "SmallExit.bmp", 72, 36, 2, "Exit", kRed, kSmallLabelFont,
                      palette::panel) &&
           writeGameButtonFrames(f) && writeCollectButton(f) && writeInfoPage(f) &&
           writeBackButton(f, "backbutton.bmp", palette::panel) && writeHallPage(f) &&
           labelStrip(f, "UploadButton.bmp", 130, 44, 2, "Upload", palette::ringBlue, kLabelFont,
                      palette::paper) &&
           labelStrip(f, "ClearScores.bmp", 130, 44, 2, "Clear", kRed, kLabelFont,
                      palette::paper) &&
           writeHallFonts(f) && writePlayerPage(f, false) && writePlayerPage(f, true) &&
           writeKeyCap(f, "KeyCap.bmp", 44) && writeKeyCap(f, "KeyCapWide.bmp", 128) &&
           labelStrip(f, "EnterButton.bmp", 104, 44, 2, "Save", kGreen, kLabelFont,
                      palette::paper) &&
           labelStrip(f, "RemoveButton.bmp", 104, 44, 2, "Remove", kRed, kLabelFont,
                      palette::paper) &&
           writeYesNo(f) && writeNameFonts(f) && writeCaret(f);
}

bool writeTintaroTitlePictures(const std::string& gameFolder) {
    const std::string& f = gameFolder;
    return writeListPicture(f) && writeTitleBackground(f) && writeTitleButtons(f) &&
           writeSwitch(f, "sfx.bmp", false) && writeSwitch(f, "music.bmp", true) &&
           writeNameFonts(f) && writeCaret(f) &&
           labelStrip(f, "BackButton.bmp", 80, 40, 2, "Back", palette::button, kLabelFont,
                      palette::paper) &&
           writeCredits(f);
}

}  // namespace art
