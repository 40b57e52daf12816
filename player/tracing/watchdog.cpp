#include "tracing/watchdog.h"

#include "console_text.h"
#include "monotonic_ms.h"

#include <atomic>
#include <cstdio>

namespace {

// Written by whichever thread takes a step, read by the watchdog's: atomics, each
// on its own, since a report that mixes two neighbouring steps still says where.
std::atomic<unsigned long> steps = 0;
std::atomic<const char*> lastCall = "load";
std::atomic<long> lastFrame = 0;
std::atomic<long> currentStart = 0;

struct Watch {
    DWORD stallMs;
    HostLog* log;
};

constexpr DWORD lookEveryMs = 250;

DWORD WINAPI watch(LPVOID parameter)
{
    const Watch& watch = *static_cast<const Watch*>(parameter);
    unsigned long seen = steps;
    LONGLONG since = monotonicMs();
    while (true) {
        Sleep(lookEveryMs);
        const LONGLONG now = monotonicMs();
        if (const unsigned long taken = steps; taken != seen) {
            seen = taken;
            since = now;
            continue;
        }
        if (now - since < watch.stallMs)
            continue;
        const char* call = lastCall;
        const long frame = lastFrame;
        const long start = currentStart;
        watch.log->write(JsonLine("stalled")
                             .number("start", start)
                             .number("frame", frame)
                             .text("call", call)
                             .number("stalledMs", now - since));
        char line[160];
        std::snprintf(line, sizeof line, "no progress for %lld s: start %ld, frame %ld, in %s",
                      (now - since) / 1000, start, frame, call);
        reportError(line);
        // NOTE: the stalled thread may hold locks that an orderly exit would wait for.
        TerminateProcess(GetCurrentProcess(), exitStalled);
        return 0;
    }
}

} // namespace

void noteStep(const char* call, long frame)
{
    lastCall = call;
    lastFrame = frame;
    ++steps;
}

void noteStep(const char* call)
{
    lastCall = call;
    ++steps;
}

void noteStart(long start)
{
    currentStart = start;
    noteStep("load", 0);
}

bool startWatchdog(DWORD stallMs, HostLog& log)
{
    static Watch watching;
    watching = {.stallMs = stallMs, .log = &log};
    const HANDLE thread = CreateThread(nullptr, 0, watch, &watching, 0, nullptr);
    if (thread == nullptr)
        return false;
    CloseHandle(thread);
    return true;
}
