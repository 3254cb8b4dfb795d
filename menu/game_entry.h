// One game found beside the menu: a folder holding the menu's button picture.
#pragma once

#include "framework/sprite.h"

struct GameEntry {
    // Full path: the menu folder, "\\", the folder's name.
    char folder[256];
    // The folder's name followed by ".exe".
    char program[64];
    // The folder's name.
    char name[64];
    // The folder's "GatefoldButton.bmp".
    Sprite* button;
};
