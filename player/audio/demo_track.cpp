#include "demo_track.h"

#include "fixed_point_synth.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int samplesPerBeat = synthSampleRate / 2;  // 120 beats per minute
constexpr int samplesPerEighth = samplesPerBeat / 2;
constexpr int beatsPerBar = 4;
constexpr int samplesPerBar = samplesPerBeat * beatsPerBar;
constexpr int barCount = 16;
constexpr int trackFrames = samplesPerBar * barCount;

enum class Section { left, right, breakdown };

constexpr std::array<Section, barCount> arrangement = {
    Section::left,      Section::left,      Section::left,  Section::left,
    Section::right,     Section::right,     Section::right, Section::right,
    Section::breakdown, Section::breakdown, Section::left,  Section::left,
    Section::left,      Section::left,      Section::right, Section::right};

Section sectionAt(int sample) {
    return arrangement[static_cast<std::size_t>(sample / samplesPerBar)];
}

// Am, F, C, G: one chord a bar, pad voicings in MIDI notes and the bass root.
constexpr int chordCount = 4;
constexpr std::array<std::array<int, 3>, chordCount> padNotes = {
    {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}}};
constexpr std::array<int, chordCount> bassRoots = {33, 29, 36, 31};

int chordAt(int sample) {
    return (sample / samplesPerBar) % chordCount;
}

// Each pad note is two saws detuned by about 5 cents either way, for width and movement.
consteval std::array<std::array<std::uint32_t, 6>, chordCount> padSteps() {
    std::array<std::array<std::uint32_t, 6>, chordCount> steps{};
    for (int chord = 0; chord < chordCount; ++chord)
        for (int note = 0; note < 3; ++note) {
            const double hz = noteHz(padNotes[chord][note]);
            steps[chord][2 * note] = phaseStep(hz * 0.997);
            steps[chord][2 * note + 1] = phaseStep(hz * 1.003);
        }
    return steps;
}

// The bass alternates root and octave on the eighths of the bar.
consteval std::array<std::array<std::uint32_t, 2>, chordCount> bassSteps() {
    std::array<std::array<std::uint32_t, 2>, chordCount> steps{};
    for (int chord = 0; chord < chordCount; ++chord) {
        steps[chord][0] = phaseStep(noteHz(bassRoots[chord]));
        steps[chord][1] = phaseStep(noteHz(bassRoots[chord] + 12));
    }
    return steps;
}

struct Mix {
    std::vector<std::int32_t> left = std::vector<std::int32_t>(trackFrames);
    std::vector<std::int32_t> right = std::vector<std::int32_t>(trackFrames);
};

// Where bass, pad and hats sit: gains for the two channels. The sustained bass and pad
// glide to a new section's gains over about 25 ms so that the move does not click; each
// hat takes the gains of the section it starts in.
struct Pan {
    std::int32_t left = 0;
    std::int32_t right = 0;
};

Pan panTarget(Section section) {
    switch (section) {
        case Section::left:
            return {gainQ16(1.0), gainQ16(0.2)};
        case Section::right:
            return {gainQ16(0.2), gainQ16(1.0)};
        case Section::breakdown:
            break;
    }
    return {gainQ16(0.4), gainQ16(0.4)};
}

void glidePan(Pan& pan, Section section) {
    const Pan target = panTarget(section);
    pan.left += (target.left - pan.left) >> 10;
    pan.right += (target.right - pan.right) >> 10;
}

// A linear ramp over the first and last `edge` samples of a note of `length` samples,
// so that notes start and stop without a click. Q16.
std::int32_t noteGate(int position, int length, int edge) {
    const int distance = position < length - position ? position : length - position;
    return distance >= edge ? unityQ16 : distance * unityQ16 / edge;
}

void addKick(Mix& mix) {
    constexpr std::uint32_t lowStep = phaseStep(45.0);
    constexpr std::uint32_t highStep = phaseStep(150.0);
    constexpr std::int64_t pitchDecay = decayQ30(0.03);
    constexpr std::int64_t ampDecay = decayQ30(0.12);
    constexpr std::int32_t level = gainQ16(0.5);
    for (int beat = 0; beat < trackFrames / samplesPerBeat; ++beat) {
        const int start = beat * samplesPerBeat;
        if (sectionAt(start) == Section::breakdown) continue;
        std::uint32_t phase = 0;
        std::int64_t pitch = unityQ30;
        std::int64_t amp = unityQ30;
        for (int n = 0; n < samplesPerBeat; ++n) {
            const std::int32_t gate = noteGate(n, samplesPerBeat, 64);
            const std::int32_t value =
                scaleQ16(scaleQ16(scaleQ30(sineQ15(phase), amp), level), gate);
            mix.left[static_cast<std::size_t>(start + n)] += value;
            mix.right[static_cast<std::size_t>(start + n)] += value;
            phase += lowStep + static_cast<std::uint32_t>(((highStep - lowStep) * pitch) >> 30);
            pitch = decayStep(pitch, pitchDecay);
            amp = decayStep(amp, ampDecay);
        }
    }
}

void addBass(Mix& mix) {
    constexpr auto steps = bassSteps();
    constexpr std::int32_t sawCutoff = lowpassQ16(500.0);
    constexpr std::int64_t decay = decayQ30(0.2);
    constexpr std::int32_t level = gainQ16(0.32);
    std::uint32_t phase = 0;
    OnePole filter;
    Pan pan = panTarget(sectionAt(0));
    std::int64_t amp = 0;
    for (int n = 0; n < trackFrames; ++n) {
        const Section section = sectionAt(n);
        glidePan(pan, section);
        const int eighth = n / samplesPerEighth;
        const int position = n % samplesPerEighth;
        if (position == 0) amp = unityQ30;
        if (section == Section::breakdown) continue;
        const std::int32_t saw = lowpass(filter, sawQ15(phase), sawCutoff);
        const std::int32_t tone = (saw + sineQ15(phase)) / 2;
        const std::int32_t gate = noteGate(position, samplesPerEighth, 64);
        const std::int32_t value = scaleQ16(scaleQ16(scaleQ30(tone, amp), level), gate);
        mix.left[static_cast<std::size_t>(n)] += scaleQ16(value, pan.left);
        mix.right[static_cast<std::size_t>(n)] += scaleQ16(value, pan.right);
        phase += steps[static_cast<std::size_t>(chordAt(n))][static_cast<std::size_t>(eighth % 2)];
        amp = decayStep(amp, decay);
    }
}

void addPad(Mix& mix) {
    constexpr auto steps = padSteps();
    constexpr std::int32_t cutoff = lowpassQ16(2200.0);
    constexpr std::int32_t level = gainQ16(0.34);
    std::array<std::uint32_t, 6> phases{};
    for (std::size_t i = 0; i < phases.size(); ++i)
        phases[i] = static_cast<std::uint32_t>(i) * 0x2AAAAAAAu;
    OnePole first;
    OnePole second;
    Pan pan = panTarget(sectionAt(0));
    for (int n = 0; n < trackFrames; ++n) {
        glidePan(pan, sectionAt(n));
        const auto& chord = steps[static_cast<std::size_t>(chordAt(n))];
        std::int32_t sum = 0;
        for (std::size_t i = 0; i < phases.size(); ++i) {
            sum += sawQ15(phases[i]) / 6;
            phases[i] += chord[i];
        }
        const std::int32_t value =
            scaleQ16(lowpass(second, lowpass(first, sum, cutoff), cutoff), level);
        mix.left[static_cast<std::size_t>(n)] += scaleQ16(value, pan.left);
        mix.right[static_cast<std::size_t>(n)] += scaleQ16(value, pan.right);
    }
}

// Closed hats on the beat, louder and longer ones off the beat; in the breakdown only
// the off-beat ones of its second bar, softly, to lead back in.
void addHats(Mix& mix) {
    constexpr std::int32_t cutoff = lowpassQ16(7000.0);
    constexpr std::int64_t shortDecay = decayQ30(0.02);
    constexpr std::int64_t longDecay = decayQ30(0.06);
    NoiseLcg noise{0x2545F491u};
    OnePole body;
    for (int eighth = 0; eighth < trackFrames / samplesPerEighth; ++eighth) {
        const int start = eighth * samplesPerEighth;
        const bool offBeat = eighth % 2 == 1;
        std::int32_t level = offBeat ? gainQ16(0.11) : gainQ16(0.06);
        if (sectionAt(start) == Section::breakdown) {
            const bool secondBar =
                start >= samplesPerBar && sectionAt(start - samplesPerBar) == Section::breakdown;
            if (!offBeat || !secondBar) continue;
            level = gainQ16(0.05);
        }
        const std::int64_t decay = offBeat ? longDecay : shortDecay;
        std::int64_t amp = unityQ30;
        const Pan pan = panTarget(sectionAt(start));
        for (int n = 0; n < samplesPerEighth; ++n) {
            const std::int32_t x = nextNoiseQ15(noise);
            const std::int32_t bright = x - lowpass(body, x, cutoff);
            const std::int32_t gate = noteGate(n, samplesPerEighth, 32);
            const std::int32_t value = scaleQ16(scaleQ16(scaleQ30(bright, amp), level), gate);
            mix.left[static_cast<std::size_t>(start + n)] += scaleQ16(value, pan.left);
            mix.right[static_cast<std::size_t>(start + n)] += scaleQ16(value, pan.right);
            amp = decayStep(amp, decay);
        }
    }
}

}  // namespace

AudioTrack synthesiseDemoTrack() {
    Mix mix;
    addKick(mix);
    addBass(mix);
    addPad(mix);
    addHats(mix);

    constexpr int fadeIn = synthSampleRate / 100;
    constexpr int fadeOut = 2 * samplesPerBeat;
    AudioTrack track;
    track.sampleRate = synthSampleRate;
    track.channels = 2;
    track.left.resize(trackFrames);
    track.right.resize(trackFrames);
    for (int n = 0; n < trackFrames; ++n) {
        const int remaining = trackFrames - n;
        std::int32_t gain = unityQ16;
        if (n < fadeIn) gain = n * unityQ16 / fadeIn;
        if (remaining < fadeOut)
            gain = static_cast<std::int32_t>(std::int64_t{remaining - 1} * unityQ16 / fadeOut);
        const auto i = static_cast<std::size_t>(n);
        track.left[i] = static_cast<float>(scaleQ16(mix.left[i], gain)) / 32768.0f;
        track.right[i] = static_cast<float>(scaleQ16(mix.right[i], gain)) / 32768.0f;
    }
    return track;
}
