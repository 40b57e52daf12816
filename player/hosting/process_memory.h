#pragma once
// The player process's own memory: what a plug-in takes from the heap and never
// gives back stays in the player across starts.

#include <cstdint>

struct ProcessMemory {
    std::uint64_t privateBytes = 0;    // committed private memory, what the task manager shows
    std::uint64_t peakWorkingSet = 0;  // the most memory resident at once so far
};

// Zeros when the system does not say.
ProcessMemory processMemory();
