// The software mixer, measured through the headless device's WAV output: exact looping,
// sample formats, saturation, rate conversion, volume, pan and the primary format.
#include <cmath>

#include "tests/platform/audio/sound_test_support.h"

namespace {

using soundtest::bytesOf;
using soundtest::SoundTest;

// Distinct, non-repeating stereo frames: left = 3i - 9000, right = -(5i) + 7000.
std::vector<std::int16_t> rampStereo(int frames) {
    std::vector<std::int16_t> s;
    for (int i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>(3 * i - 9000));
        s.push_back(static_cast<std::int16_t>(7000 - 5 * i));
    }
    return s;
}

TEST_F(SoundTest, LoopingBufferWrapsWithoutGapOrRepeat) {
    // 1000 frames at the output rate: 4410 output frames cover four wraps and a part.
    const std::vector<std::int16_t> data = rampStereo(1000);
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 2, 4000);
    write(b, 0, bytesOf(data));
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<std::int16_t> out = mix(100);
    ASSERT_EQ(out.size(), 4410u * 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], data[i % data.size()]) << "sample " << i;
    b->Release();
}

TEST_F(SoundTest, NonLoopingBufferStopsAtItsEnd) {
    const std::vector<std::int16_t> data = rampStereo(300);
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 2, 1200);
    write(b, 0, bytesOf(data));
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    std::vector<std::int16_t> out = mix(10);
    ASSERT_EQ(out.size(), 441u * 2);
    for (std::size_t i = 0; i < 600; ++i) ASSERT_EQ(out[i], data[i]) << i;
    for (std::size_t i = 600; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
    b->Release();
}

TEST_F(SoundTest, EightBitSilenceIsSilentAndFullScaleMaps) {
    IDirectSoundBuffer* quiet = makeBuffer(22050, 8, 1, 2205);
    write(quiet, 0, std::vector<std::uint8_t>(2205, 0x80));
    ASSERT_EQ(quiet->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    std::vector<std::int16_t> out = mix(50);
    ASSERT_FALSE(out.empty());
    for (std::int16_t s : out) ASSERT_EQ(s, 0);
    quiet->Release();

    // Stereo 8-bit at the output rate: 0xFF and 0x00 are the ends of the scale.
    IDirectSoundBuffer* loud = makeBuffer(44100, 8, 2, 4);
    ASSERT_NE(loud, nullptr);
    write(loud, 0, {0xFF, 0x00, 0xFF, 0x00});
    ASSERT_EQ(loud->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    out = mix(10);
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], 127 * 256);
        ASSERT_EQ(out[i + 1], -32768);
    }
    loud->Release();
}

TEST_F(SoundTest, FullScaleBuffersSaturateInsteadOfWrapping) {
    IDirectSoundBuffer* a = makeBuffer(44100, 16, 2, 400);
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 2, 400);
    std::vector<std::int16_t> plus, minus;
    for (int i = 0; i < 100; ++i) {
        plus.insert(plus.end(), {30000, -30000});
        minus.insert(minus.end(), {20000, -20000});
    }
    write(a, 0, bytesOf(plus));
    write(b, 0, bytesOf(minus));
    a->Play(0, 0, DSBPLAY_LOOPING);
    b->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<std::int16_t> out = mix(10);
    ASSERT_FALSE(out.empty());
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], 32767);
        ASSERT_EQ(out[i + 1], -32768);
    }
    // One of them alone passes through unchanged; the sum of smaller values is exact.
    b->Stop();
    write(a, 0, bytesOf(std::vector<std::int16_t>(200, 1000)));
    write(b, 0, bytesOf(std::vector<std::int16_t>(200, -3000)));
    b->Play(0, 0, DSBPLAY_LOOPING);
    out = mix(10);
    for (std::int16_t s : out) ASSERT_EQ(s, -2000);
    a->Release();
    b->Release();
}

TEST_F(SoundTest, LowerRatesAreInterpolatedToTheOutputRate) {
    // 22050 Hz mono: each source frame covers two output frames, the second halfway
    // towards the next source frame; mono is heard on both sides.
    std::vector<std::int16_t> data;
    for (int i = 0; i < 2205; ++i) data.push_back(static_cast<std::int16_t>(i * 10));
    IDirectSoundBuffer* b = makeBuffer(22050, 16, 1, 4410);
    write(b, 0, bytesOf(data));
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    std::vector<std::int16_t> out = mix(100);
    ASSERT_EQ(out.size(), 8820u);
    for (int f = 0; f < 4408; ++f) {
        const int want = f % 2 == 0 ? data[f / 2] : (data[f / 2] + data[f / 2 + 1]) / 2;
        ASSERT_EQ(out[2 * f], want) << "frame " << f;
        ASSERT_EQ(out[2 * f + 1], want) << "frame " << f;
    }
    b->Release();
}

TEST_F(SoundTest, FrequencyVolumeAndPanAreHonouredWhenAllowed) {
    const DWORD all = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY;
    std::vector<std::int16_t> ramp;
    for (int i = 0; i < 2000; ++i) ramp.push_back(static_cast<std::int16_t>(i * 7));
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 1, 4000, all);
    write(b, 0, bytesOf(ramp));
    ASSERT_EQ(b->SetFrequency(88200), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    std::vector<std::int16_t> out = mix(10);
    for (int f = 0; f < 441; ++f) ASSERT_EQ(out[2 * f], ramp[2 * f]) << "double speed, frame " << f;
    b->Stop();
    b->SetFrequency(DSBFREQUENCY_ORIGINAL);

    write(b, 0, bytesOf(std::vector<std::int16_t>(2000, 20000)));
    ASSERT_EQ(b->SetVolume(-600), DS_OK);  // -6 dB: about half
    b->SetCurrentPosition(0);
    b->Play(0, 0, DSBPLAY_LOOPING);
    out = mix(10);
    EXPECT_NEAR(out[0], 20000 * std::pow(10.0, -0.3), 2);
    EXPECT_EQ(out[0], out[1]);

    ASSERT_EQ(b->SetVolume(0), DS_OK);
    ASSERT_EQ(b->SetPan(DSBPAN_RIGHT), DS_OK);
    out = mix(10);
    EXPECT_EQ(out[0], 0) << "full right silences the left";
    EXPECT_EQ(out[1], 20000);
    ASSERT_EQ(b->SetPan(-2000), DS_OK);  // right side 20 dB down
    out = mix(10);
    EXPECT_EQ(out[0], 20000);
    EXPECT_NEAR(out[1], 2000, 2);
    ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
    out = mix(10);
    EXPECT_EQ(out[0], 0);
    b->Release();
}

TEST_F(SoundTest, MonoPrimaryFormatFoldsBothSides) {
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), DS_OK);
    WAVEFORMATEX mono = soundtest::pcm(22050, 16, 1);
    ASSERT_EQ(primary->SetFormat(&mono), DS_OK);
    IDirectSoundBuffer* b = makeBuffer(44100, 16, 2, 400);
    std::vector<std::int16_t> lr;
    for (int i = 0; i < 100; ++i) lr.insert(lr.end(), {1000, 3000});
    write(b, 0, bytesOf(lr));
    b->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<std::int16_t> out = mix(10);
    for (std::int16_t s : out) ASSERT_EQ(s, 2000);
    WAVEFORMATEX stereo = soundtest::pcm(22050, 16, 2);
    ASSERT_EQ(primary->SetFormat(&stereo), DS_OK);
    out = mix(10);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[1], 3000);
    b->Release();
    primary->Release();
}

TEST_F(SoundTest, DuplicatePlaysIndependentlyOfItsOriginal) {
    const std::vector<std::int16_t> data = rampStereo(1000);
    IDirectSoundBuffer* original = makeBuffer(44100, 16, 2, 4000);
    write(original, 0, bytesOf(data));
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(ds->DuplicateSoundBuffer(original, &copy), DS_OK);
    original->SetCurrentPosition(400 * 4);
    original->Play(0, 0, DSBPLAY_LOOPING);
    copy->Play(0, 0, DSBPLAY_LOOPING);
    std::vector<std::int16_t> out = mix(10);
    for (int f = 0; f < 441; ++f)
        for (int c = 0; c < 2; ++c)
            ASSERT_EQ(out[2 * f + c], data[2 * f + c] + data[2 * ((f + 400) % 1000) + c])
                << "frame " << f;
    // Stopping the original leaves the duplicate playing on.
    original->Stop();
    out = mix(10);
    for (int f = 0; f < 441; ++f) ASSERT_EQ(out[2 * f], data[2 * (441 + f)]) << f;
    copy->Release();
    original->Release();
}

TEST_F(SoundTest, OutputRemainderIsCarriedBetweenAdvances) {
    // 3 ms at 44100 Hz is 132.3 frames: ten calls give 1323 frames, not 1320.
    std::string path = startCapture();
    for (int i = 0; i < 10; ++i) platform::audioDeviceAdvance(3);
    std::vector<std::int16_t> out = finishCapture(path);
    EXPECT_EQ(out.size(), 1323u * 2);
}

}  // namespace
