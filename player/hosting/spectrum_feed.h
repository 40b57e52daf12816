#pragma once
// What the host writes into the module record before each render call: the
// spectrum and waveform of the music at the frame's time, or a fixed pattern; and
// the loudness the plug-in reads from it, summed up for the log.

#include "frame_analyser.h"
#include "host/vis_module.h"
#include "host_log.h"
#include "spectrum_pattern.h"
#include "track_window.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct SpectrumFeed {
    TrackWindow* track = nullptr; // null: the pattern, if any, or nothing
    std::unique_ptr<FrameAnalyser> analyser;
    std::optional<SpectrumPattern> pattern;
    SpectrumScale scale = SpectrumScale::reference;
    // Per frame fed, the loudness of channels 0 and 1 as the plug-in measures it: the
    // first 288 bytes of the row summed and divided by 14000, a missing channel read
    // from row 0.
    std::vector<float> energies[2];
    // What the track playing has been fed so far: its frames, and a digest (FNV-1a) of
    // every spectrum and waveform byte of them, by which a track fed the same in a
    // queue as alone is told.
    std::uint64_t trackFrames = 0;
    std::uint64_t trackDigest = 0;
};

// `seconds` into the track; `silent`: the track is paused, and the plug-in hears nothing.
void feedSpectrum(SpectrumFeed& feed, VisModule* module, std::uint64_t frame, double seconds,
                  bool silent = false);

// A new track begins: its frames and digest start afresh.
void startTrackDigest(SpectrumFeed& feed);

// The median loudness of each channel over the frames fed so far.
JsonLine describeFeedEnergy(const SpectrumFeed& feed);
