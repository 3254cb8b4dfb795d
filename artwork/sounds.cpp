#include "artwork/sounds.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace art {
namespace {

constexpr int kRate = 22050;

// A fixed noise source, so the same bytes come out on every build.
struct Noise {
    std::uint32_t state = 0x12345678u;
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }
};

}  // namespace

Sound makeClick() {
    // A short wooden "tock": two damped partials and a breath of filtered noise.
    Sound s;
    s.rate = kRate;
    s.resize(kRate * 60 / 1000);
    Noise noise;
    float lp = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float body = std::sin(2 * static_cast<float>(M_PI) * 1250 * t) * std::exp(-t * 90);
        const float knock = std::sin(2 * static_cast<float>(M_PI) * 2900 * t) * std::exp(-t * 160);
        lp += 0.35f * (noise.next() - lp);
        const float air = lp * std::exp(-t * 220);
        const float attack = std::min(1.0f, t * 4000);
        const float v = attack * (0.6f * body + 0.3f * knock + 0.25f * air);
        s.left[i] = v;
        s.right[i] = v;
    }
    s.normalise(0.7f);
    return s;
}

Sound makeBell() {
    // Two bell strokes a major third apart; inharmonic partials give the metal.
    Sound s;
    s.rate = kRate;
    s.resize(kRate * 1600 / 1000);
    const float ratios[] = {1.0f, 2.01f, 2.76f, 4.07f, 5.40f};
    const float gains[] = {1.0f, 0.45f, 0.35f, 0.18f, 0.12f};
    const float decays[] = {2.6f, 3.4f, 4.5f, 6.5f, 8.0f};
    struct Stroke {
        float start, pitch, pan;
    } strokes[] = {{0.0f, 1046.5f, 0.40f}, {0.09f, 1318.5f, 0.60f}};
    for (const Stroke& st : strokes) {
        const size_t first = static_cast<size_t>(st.start * kRate);
        for (size_t i = first; i < s.frames(); ++i) {
            const float t = static_cast<float>(i - first) / kRate;
            float v = 0;
            for (int p = 0; p < 5; ++p)
                v += gains[p] * std::sin(2 * static_cast<float>(M_PI) * st.pitch * ratios[p] * t) *
                     std::exp(-t * decays[p]);
            v *= std::min(1.0f, t * 3000);
            s.left[i] += v * (1 - st.pan);
            s.right[i] += v * st.pan;
        }
    }
    // Fade the last 50 ms so the sound ends on silence.
    const size_t fade = kRate / 20;
    for (size_t k = 0; k < fade; ++k) {
        const float g = static_cast<float>(k) / fade;
        s.left[s.frames() - 1 - k] *= g;
        s.right[s.frames() - 1 - k] *= g;
    }
    s.normalise(0.6f);
    return s;
}

namespace {

struct Note {
    double beat;      // start, in beats from the loop's start
    double length;    // in beats
    int channel;
    int key;
    int velocity;
};

// Eight bars at 80 beats a minute (24 seconds): C, A minor, F, G, twice, with a
// marimba arpeggio, soft electric-piano chords, a bass line, a flute tune and a
// light hi-hat.
std::vector<Note> composeLoop() {
    std::vector<Note> notes;
    const int roots[8] = {48, 45, 41, 43, 48, 45, 41, 43};  // C3 A2 F2 G2
    const int chords[8][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62},
                              {60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int bar = 0; bar < 8; ++bar) {
        const double b0 = bar * 4.0;
        // Bass: root on 1, fifth on 3.
        notes.push_back({b0, 1.8, 1, roots[bar], 78});
        notes.push_back({b0 + 2, 1.8, 1, roots[bar] + 7, 70});
        // Chords on the electric piano, held for the bar.
        for (int k = 0; k < 3; ++k) notes.push_back({b0, 3.9, 2, chords[bar][k], 46});
        // Marimba arpeggio in eighths, up and down the chord an octave higher.
        const int pattern[8] = {0, 1, 2, 1, 0, 1, 2, 1};
        for (int e = 0; e < 8; ++e) {
            int key = chords[bar][pattern[e]] + 12 + (e >= 4 && pattern[e] == 0 ? 12 : 0);
            notes.push_back({b0 + e * 0.5, 0.45, 0, key, e % 2 == 0 ? 70 : 55});
        }
        // Hi-hat on the eighths, a soft kick on 1 and 3.
        for (int e = 0; e < 8; ++e) notes.push_back({b0 + e * 0.5, 0.25, 9, 42, e % 2 ? 28 : 40});
        notes.push_back({b0, 0.5, 9, 36, 60});
        notes.push_back({b0 + 2, 0.5, 9, 36, 48});
    }
    // The tune (flute), pentatonic, over bars 1-8.
    const struct {
        double beat, length;
        int key;
    } tune[] = {
        {0, 1.5, 76},  {1.5, 0.5, 74}, {2, 2, 72},    {4, 1, 72},    {5, 1, 74},   {6, 2, 76},
        {8, 1.5, 77},  {9.5, 0.5, 76}, {10, 1, 74},   {11, 1, 72},   {12, 3.5, 74},
        {16, 1.5, 79}, {17.5, 0.5, 76}, {18, 2, 74},  {20, 1, 72},   {21, 1, 74},  {22, 2, 76},
        {24, 1, 77},   {25, 1, 76},    {26, 1, 74},   {27, 1, 71},   {28, 3.5, 72},
    };
    for (const auto& t : tune) notes.push_back({t.beat, t.length, 3, t.key, 64});
    return notes;
}

}  // namespace

Sound makeMusic(const std::string& soundFont) {
    Sound out;
    out.rate = kRate;
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.reverb.active", 1);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth || fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        if (synth) delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return out;
    }
    fluid_synth_program_change(synth, 0, 12);  // marimba
    fluid_synth_program_change(synth, 1, 32);  // acoustic bass
    fluid_synth_program_change(synth, 2, 4);   // electric piano
    fluid_synth_program_change(synth, 3, 73);  // flute
    fluid_synth_cc(synth, 0, 10, 40);          // marimba a little left
    fluid_synth_cc(synth, 3, 10, 84);          // flute a little right
    fluid_synth_cc(synth, 2, 7, 80);

    const double beatsPerSecond = 80.0 / 60.0;
    const double loopBeats = 32;
    const size_t loopFrames = static_cast<size_t>(loopBeats / beatsPerSecond * kRate);
    const size_t tailFrames = static_cast<size_t>(4.0 * kRate);

    struct Event {
        size_t frame;
        bool on;
        int channel, key, velocity;
    };
    std::vector<Event> events;
    for (const Note& n : composeLoop()) {
        const size_t on = static_cast<size_t>(n.beat / beatsPerSecond * kRate);
        const size_t off = static_cast<size_t>((n.beat + n.length) / beatsPerSecond * kRate);
        events.push_back({on, true, n.channel, n.key, n.velocity});
        events.push_back({off, false, n.channel, n.key, 0});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });

    std::vector<float> left(loopFrames + tailFrames), right(loopFrames + tailFrames);
    size_t at = 0;
    auto renderTo = [&](size_t frame) {
        while (at < frame) {
            const int n = static_cast<int>(std::min<size_t>(frame - at, 512));
            fluid_synth_write_float(synth, n, left.data() + at, 0, 1, right.data() + at, 0, 1);
            at += static_cast<size_t>(n);
        }
    };
    for (const Event& e : events) {
        renderTo(std::min(e.frame, loopFrames));
        if (e.on) fluid_synth_noteon(synth, e.channel, e.key, e.velocity);
        else fluid_synth_noteoff(synth, e.channel, e.key);
    }
    renderTo(loopFrames);
    fluid_synth_all_notes_off(synth, -1);
    renderTo(loopFrames + tailFrames);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);

    // What rings past the loop's end is laid over its start, so that playing the loop
    // again and again sounds like one continuous piece, without a seam.
    out.resize(loopFrames);
    for (size_t i = 0; i < loopFrames; ++i) {
        out.left[i] = left[i] + (i < tailFrames ? left[loopFrames + i] : 0.0f);
        out.right[i] = right[i] + (i < tailFrames ? right[loopFrames + i] : 0.0f);
    }
    // Background music sits under the effects: its peak and theirs add up to no more than
    // full scale, so the mix never clips.
    out.normalise(0.4f);
    return out;
}

}  // namespace art
