// The artwork generator: writes every picture and sound of the installed folders.
// Run at build time; the output is the same, byte for byte, on every run.
//   artgen STAGE_FOLDER SOUNDFONT [ICON_FOLDER]
// writes the menu's pictures into STAGE_FOLDER, the game folder STAGE_FOLDER/Tintaro, the
// shell test program's STAGE_FOLDER/ShellDemo and the score server's web logo
// STAGE_FOLDER/web/logo.png; with ICON_FOLDER, also the desktop icons
// (ICON_FOLDER/<N>x<N>/gatefold.png and tintaro.png).
#include <cstdio>
#include <filesystem>
#include <string>

#include "artwork/icons.h"
#include "artwork/logo.h"
#include "artwork/menu_art.h"
#include "artwork/shell_demo_art.h"
#include "artwork/sounds.h"
#include "artwork/tintaro_art.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s STAGE_FOLDER SOUNDFONT [ICON_FOLDER]\n", argv[0]);
        return 2;
    }
    const std::string stage = argv[1];
    const std::string game = stage + "/Tintaro";
    const std::string demo = stage + "/ShellDemo";
    const std::string soundFont = argv[2];
    std::error_code ec;
    std::filesystem::create_directories(game + "/title", ec);
    std::filesystem::create_directories(game + "/sounds", ec);
    std::filesystem::create_directories(demo, ec);

    if (!art::writeShellDemoPictures(demo)) return 1;

    if (!art::writeTintaroPictures(game)) return 1;
    if (!art::writeTintaroTitlePictures(game)) return 1;
    if (!art::writeMenuPictures(stage)) return 1;
    if (!art::writeWebLogo(stage + "/web")) return 1;
    if (!art::writeWindowIcons(stage, game)) return 1;
    if (argc == 4 && !art::writeDesktopIcons(argv[3])) return 1;
    if (!art::makeClick().writeWav(game + "/sounds/Click.wav")) return 1;
    if (!art::makeBell().writeWav(game + "/sounds/Bell.wav")) return 1;
    art::Sound music = art::makeMusic(soundFont);
    if (music.frames() == 0) {
        std::fprintf(stderr, "artgen: cannot render the music with %s\n", soundFont.c_str());
        return 1;
    }
    if (!music.writeWav(game + "/sounds/music.wav")) return 1;
    return 0;
}
