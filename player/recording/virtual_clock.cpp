#include "recording/virtual_clock.h"

#include "import_patch.h"

namespace {

std::uint32_t virtualNowMs = 0;

DWORD WINAPI virtualGetTickCount()
{
    return virtualNowMs;
}

DWORD WINAPI virtualTimeGetTime()
{
    return virtualNowMs;
}

} // namespace

bool installVirtualClock(HMODULE plugin, std::uint32_t startMs, HostLog& log, std::string& error)
{
    virtualNowMs = startMs;
    // The replaced functions are never called again: the player answers every read.
    void* original = nullptr;
    const bool tickCount = patchImport(plugin, "kernel32.dll", "GetTickCount",
                                       reinterpret_cast<void*>(&virtualGetTickCount), &original);
    const bool timeGetTime = patchImport(plugin, "winmm.dll", "timeGetTime",
                                         reinterpret_cast<void*>(&virtualTimeGetTime), &original);
    log.write(JsonLine("virtualClock")
                  .number("startMs", startMs)
                  .flag("getTickCount", tickCount)
                  .flag("timeGetTime", timeGetTime));
    if (!tickCount && !timeGetTime) {
        error = "cannot record: the plug-in imports neither GetTickCount (kernel32) nor "
                "timeGetTime (winmm), so its clock cannot be replaced";
        return false;
    }
    return true;
}

void setVirtualClock(std::uint32_t nowMs)
{
    virtualNowMs = nowMs;
}
