#include "hosting/process_memory.h"

#include <windows.h>
#include <psapi.h>

ProcessMemory processMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return {};
    }
    // NOTE: PagefileUsage is the process's private commit charge, the same figure as
    // the extended record's PrivateUsage, which Wine leaves at 0.
    return {.privateBytes = counters.PagefileUsage, .peakWorkingSet = counters.PeakWorkingSetSize};
}
