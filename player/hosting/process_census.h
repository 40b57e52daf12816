#pragma once
// What the player process holds after a stop: what a plug-in takes and never
// gives back (heap, handles, windows, threads) stays in the player across starts.

#include <cstdint>
#include <optional>

struct ProcessCensus {
    std::uint64_t privateBytes = 0;    // committed private memory, what the task manager shows
    std::uint64_t peakWorkingSet = 0;  // the most memory resident at once so far
    std::uint32_t handles = 0;         // kernel object handles open in the process
    std::uint32_t threads = 0;
    std::uint32_t windows = 0;         // windows of the process's threads, owned ones included
    // The task manager's GDI and USER object counts; none where the system does not
    // keep them (Wine answers 0).
    std::optional<std::uint32_t> gdiObjects;
    std::optional<std::uint32_t> userObjects;
};

// Fields the system does not tell stay at their defaults.
ProcessCensus processCensus();
