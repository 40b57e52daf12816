// The player's per-frame analysis: two channels of spectrum and waveform from the demo
// track, the work done once for every frame shown.

#include "demo_track.h"
#include "frame_analyser.h"

#include <benchmark/benchmark.h>

namespace {

void analyseStereoFrame(benchmark::State& state) {
    const AudioTrack track = synthesiseDemoTrack();
    const auto analyser = makeFrameAnalyser();
    unsigned char spectrum[2][analysisBins];
    unsigned char waveform[2][analysisBins];
    const double length = static_cast<double>(frameCount(track)) / track.sampleRate;
    double seconds = 0.0;
    for (auto _ : state) {
        analyseFrame(*analyser, track, seconds, static_cast<SpectrumScale>(state.range(0)), spectrum,
                     waveform);
        benchmark::DoNotOptimize(spectrum);
        benchmark::DoNotOptimize(waveform);
        seconds += 1.0 / 60.0;
        if (seconds >= length) seconds = 0.0;
    }
}
// 0: the media player's own scale; 1: the decibel scale.
BENCHMARK(analyseStereoFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
