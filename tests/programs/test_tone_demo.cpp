// The tone demo's headless build writes what it mixed to --audio-out: about two seconds
// of a 440 Hz tone at half scale, heard on both sides.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

TEST(ToneDemo, HeadlessAudioOutIsA440HzTone) {
    testsupport::TempDir temp;
    const std::string script = temp.write("wait.txt", "wait 400\n");
    const std::string wav = (temp.path() / "tone.wav").string();
    const std::string command = std::string(STUDIO_STAGE_DIR) + "/ToneDemo-headless --script " +
                                script + " --audio-out " + wav;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::ifstream in(wav, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(file.size(), 44u);
    std::uint32_t dataBytes;
    std::memcpy(&dataBytes, file.data() + 40, 4);
    ASSERT_EQ(dataBytes, file.size() - 44);
    std::vector<std::int16_t> s(dataBytes / 2);
    std::memcpy(s.data(), file.data() + 44, s.size() * 2);
    const std::size_t frames = s.size() / 2;
    const double seconds = frames / 44100.0;
    EXPECT_NEAR(seconds, 2.0, 0.05);

    double sum = 0;
    int rising = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        sum += double(s[2 * f]) * s[2 * f];
        ASSERT_EQ(s[2 * f], s[2 * f + 1]) << "a mono tone is centred";
        if (f > 0 && s[2 * (f - 1)] < 0 && s[2 * f] >= 0) ++rising;
    }
    const double rms = std::sqrt(sum / frames);
    EXPECT_NEAR(rms, 16384 / std::sqrt(2.0), 200);
    EXPECT_NEAR(rising / seconds, 440.0, 3.0);
}

}  // namespace
