// The game's sounds: a click, a bell chime and a seamless music loop.
#pragma once

#include <string>

#include "artwork/sound_file.h"

namespace art {

Sound makeClick();
Sound makeBell();
// Renders the music loop through FluidSynth with the given General MIDI soundfont.
// Empty on failure.
Sound makeMusic(const std::string& soundFont);

}  // namespace art
