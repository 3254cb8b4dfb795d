// PCM sound for the artwork generator: a stereo float buffer written as a 16-bit WAV.
#pragma once

#include <string>
#include <vector>

namespace art {

struct Sound {
    int rate = 22050;
    std::vector<float> left, right;

    size_t frames() const { return left.size(); }
    void resize(size_t frames) {
        left.assign(frames, 0.0f);
        right.assign(frames, 0.0f);
    }
    // Scales the whole sound so that its peak is `peak` (0..1).
    void normalise(float peak);
    bool writeWav(const std::string& path) const;
};

}  // namespace art
