#include "demo_track.h"

#include "fixed_point_synth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int samplesPerBeat = synthSampleRate / 2;  // 120 beats per minute
constexpr int samplesPerEighth = samplesPerBeat / 2;
constexpr int beatsPerBar = 4;
constexpr int samplesPerBar = samplesPerBeat * beatsPerBar;
constexpr int barCount = 16;
constexpr int trackFrames = samplesPerBar * barCount;
// Frames synthesised unheard at a time on the way to a frame sought.
constexpr std::size_t skipBlockFrames = 4096;

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

// The instruments, each a state machine stepped one sample frame at a time, so that the
// track is made a block at a time as it plays. Each adds its sample to `left` and `right`.

struct Kick {
    std::uint32_t phase = 0;
    std::int64_t pitch = unityQ30;
    std::int64_t amp = unityQ30;
};

void stepKick(Kick& kick, int n, std::int32_t& left, std::int32_t& right) {
    constexpr std::uint32_t lowStep = phaseStep(45.0);
    constexpr std::uint32_t highStep = phaseStep(150.0);
    constexpr std::int64_t pitchDecay = decayQ30(0.03);
    constexpr std::int64_t ampDecay = decayQ30(0.12);
    constexpr std::int32_t level = gainQ16(0.5);
    const int position = n % samplesPerBeat;
    if (position == 0) kick = Kick{};
    if (sectionAt(n - position) == Section::breakdown) return;
    const std::int32_t gate = noteGate(position, samplesPerBeat, 64);
    const std::int32_t value =
        scaleQ16(scaleQ16(scaleQ30(sineQ15(kick.phase), kick.amp), level), gate);
    left += value;
    right += value;
    kick.phase += lowStep + static_cast<std::uint32_t>(((highStep - lowStep) * kick.pitch) >> 30);
    kick.pitch = decayStep(kick.pitch, pitchDecay);
    kick.amp = decayStep(kick.amp, ampDecay);
}

struct Bass {
    std::uint32_t phase = 0;
    OnePole filter;
    Pan pan = panTarget(sectionAt(0));
    std::int64_t amp = 0;
};

void stepBass(Bass& bass, int n, std::int32_t& left, std::int32_t& right) {
    constexpr auto steps = bassSteps();
    constexpr std::int32_t sawCutoff = lowpassQ16(500.0);
    constexpr std::int64_t decay = decayQ30(0.2);
    constexpr std::int32_t level = gainQ16(0.32);
    const Section section = sectionAt(n);
    glidePan(bass.pan, section);
    const int eighth = n / samplesPerEighth;
    const int position = n % samplesPerEighth;
    if (position == 0) bass.amp = unityQ30;
    if (section == Section::breakdown) return;
    const std::int32_t saw = lowpass(bass.filter, sawQ15(bass.phase), sawCutoff);
    const std::int32_t tone = (saw + sineQ15(bass.phase)) / 2;
    const std::int32_t gate = noteGate(position, samplesPerEighth, 64);
    const std::int32_t value = scaleQ16(scaleQ16(scaleQ30(tone, bass.amp), level), gate);
    left += scaleQ16(value, bass.pan.left);
    right += scaleQ16(value, bass.pan.right);
    bass.phase += steps[static_cast<std::size_t>(chordAt(n))][static_cast<std::size_t>(eighth % 2)];
    bass.amp = decayStep(bass.amp, decay);
}

struct Pad {
    std::array<std::uint32_t, 6> phases = [] {
        std::array<std::uint32_t, 6> start{};
        for (std::size_t i = 0; i < start.size(); ++i)
            start[i] = static_cast<std::uint32_t>(i) * 0x2AAAAAAAu;
        return start;
    }();
    OnePole first;
    OnePole second;
    Pan pan = panTarget(sectionAt(0));
};

void stepPad(Pad& pad, int n, std::int32_t& left, std::int32_t& right) {
    constexpr auto steps = padSteps();
    constexpr std::int32_t cutoff = lowpassQ16(2200.0);
    constexpr std::int32_t level = gainQ16(0.34);
    glidePan(pad.pan, sectionAt(n));
    const auto& chord = steps[static_cast<std::size_t>(chordAt(n))];
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < pad.phases.size(); ++i) {
        sum += sawQ15(pad.phases[i]) / 6;
        pad.phases[i] += chord[i];
    }
    const std::int32_t value =
        scaleQ16(lowpass(pad.second, lowpass(pad.first, sum, cutoff), cutoff), level);
    left += scaleQ16(value, pad.pan.left);
    right += scaleQ16(value, pad.pan.right);
}

// Closed hats on the beat, louder and longer ones off the beat; in the breakdown only
// the off-beat ones of its second bar, softly, to lead back in. The noise and its filter
// run on from one hat to the next.
struct Hats {
    NoiseLcg noise{0x2545F491u};
    OnePole body;
    bool sounding = false;
    std::int32_t level = 0;
    std::int64_t decay = 0;
    std::int64_t amp = 0;
    Pan pan;
};

void startHat(Hats& hats, int start) {
    constexpr std::int64_t shortDecay = decayQ30(0.02);
    constexpr std::int64_t longDecay = decayQ30(0.06);
    const bool offBeat = (start / samplesPerEighth) % 2 == 1;
    hats.sounding = true;
    hats.level = offBeat ? gainQ16(0.11) : gainQ16(0.06);
    if (sectionAt(start) == Section::breakdown) {
        const bool secondBar =
            start >= samplesPerBar && sectionAt(start - samplesPerBar) == Section::breakdown;
        hats.sounding = offBeat && secondBar;
        hats.level = gainQ16(0.05);
    }
    hats.decay = offBeat ? longDecay : shortDecay;
    hats.amp = unityQ30;
    hats.pan = panTarget(sectionAt(start));
}

void stepHats(Hats& hats, int n, std::int32_t& left, std::int32_t& right) {
    constexpr std::int32_t cutoff = lowpassQ16(7000.0);
    const int position = n % samplesPerEighth;
    if (position == 0) startHat(hats, n);
    if (!hats.sounding) return;
    const std::int32_t x = nextNoiseQ15(hats.noise);
    const std::int32_t bright = x - lowpass(hats.body, x, cutoff);
    const std::int32_t gate = noteGate(position, samplesPerEighth, 32);
    const std::int32_t value = scaleQ16(scaleQ16(scaleQ30(bright, hats.amp), hats.level), gate);
    left += scaleQ16(value, hats.pan.left);
    right += scaleQ16(value, hats.pan.right);
    hats.amp = decayStep(hats.amp, hats.decay);
}

struct DemoSynth {
    int next = 0;  // the next sample frame to make
    Kick kick;
    Bass bass;
    Pad pad;
    Hats hats;
};

std::size_t synthesise(DemoSynth& synth, float* left, float* right, std::size_t capacity) {
    constexpr int fadeIn = synthSampleRate / 100;
    constexpr int fadeOut = 2 * samplesPerBeat;
    std::size_t made = 0;
    for (; made < capacity && synth.next < trackFrames; ++made, ++synth.next) {
        const int n = synth.next;
        std::int32_t mixLeft = 0;
        std::int32_t mixRight = 0;
        stepKick(synth.kick, n, mixLeft, mixRight);
        stepBass(synth.bass, n, mixLeft, mixRight);
        stepPad(synth.pad, n, mixLeft, mixRight);
        stepHats(synth.hats, n, mixLeft, mixRight);
        const int remaining = trackFrames - n;
        std::int32_t gain = unityQ16;
        if (n < fadeIn) gain = n * unityQ16 / fadeIn;
        if (remaining < fadeOut)
            gain = static_cast<std::int32_t>(std::int64_t{remaining - 1} * unityQ16 / fadeOut);
        left[made] = static_cast<float>(scaleQ16(mixLeft, gain)) / 32768.0f;
        right[made] = static_cast<float>(scaleQ16(mixRight, gain)) / 32768.0f;
    }
    return made;
}

}  // namespace

AudioStream demoTrackStream() {
    auto synth = std::make_shared<DemoSynth>();
    AudioStream stream;
    stream.name = "the built-in track";
    stream.sampleRate = synthSampleRate;
    stream.channels = 2;
    stream.length = trackFrames;
    stream.read = [synth](float* left, float* right, std::size_t capacity,
                          std::string&) -> std::optional<std::size_t> {
        return synthesise(*synth, left, right, capacity);
    };
    // The synthesis runs forwards only: a seek starts it again and plays it on, unheard,
    // to the frame asked for (the whole track is made in a few milliseconds).
    stream.seek = [synth](std::uint64_t frame, std::string&) {
        *synth = DemoSynth{};
        std::vector<float> scratch(2 * skipBlockFrames);
        for (std::uint64_t done = 0; done < frame;) {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(frame - done, skipBlockFrames));
            const std::size_t made = synthesise(*synth, scratch.data(), scratch.data() + skipBlockFrames, count);
            if (made == 0) break;
            done += made;
        }
        return true;
    };
    return stream;
}

AudioTrack synthesiseDemoTrack() {
    AudioStream stream = demoTrackStream();
    AudioTrack track;
    std::string error;
    // Synthesis cannot fail; only the memory for the whole track can run out, which
    // readWholeStream reports as an error rather than a throw.
    if (!readWholeStream(stream, track, error)) throw std::bad_alloc();
    return track;
}
