#include "hosting/process_census.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

namespace {

// NOTE: Wine answers GetProcessHandleCount with 0, which no Windows process with a
// window can have; there the handle values that name an object are counted. They
// are multiples of 4, handed out from the lowest free one, so a long run of free
// values means there are no more.
constexpr std::uintptr_t freeValuesEndingTheCount = 4 * 1024;

std::uint32_t openHandles()
{
    DWORD counted = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &counted) && counted != 0)
        return counted;
    std::uint32_t found = 0;
    std::uintptr_t lastFound = 0;
    for (std::uintptr_t value = 4; value - lastFound <= freeValuesEndingTheCount; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++found;
            lastFound = value;
        }
    }
    return found;
}

std::uint32_t processThreads()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    std::uint32_t found = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++found;
    }
    CloseHandle(snapshot);
    return found;
}

BOOL CALLBACK countIfOurs(HWND window, LPARAM counter)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId())
        ++*reinterpret_cast<std::uint32_t*>(counter);
    return TRUE;
}

// Top-level windows, which owned windows are; child windows live inside them.
std::uint32_t processWindows()
{
    std::uint32_t found = 0;
    EnumWindows(countIfOurs, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::optional<std::uint32_t> guiObjects(DWORD kind)
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), kind);
    return counted != 0 ? std::optional<std::uint32_t>(counted) : std::nullopt;
}

} // namespace

ProcessCensus processCensus()
{
    ProcessCensus census{.handles = openHandles(),
                         .threads = processThreads(),
                         .windows = processWindows(),
                         .gdiObjects = guiObjects(GR_GDIOBJECTS),
                         .userObjects = guiObjects(GR_USEROBJECTS)};
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        // NOTE: PagefileUsage is the process's private commit charge, the same figure
        // as the extended record's PrivateUsage, which Wine leaves at 0.
        census.privateBytes = counters.PagefileUsage;
        census.peakWorkingSet = counters.PeakWorkingSetSize;
    }
    return census;
}
