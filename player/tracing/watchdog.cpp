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
    HANDLE stop; // set when the run is over: the thread ends
};

constexpr DWORD lookEveryMs = 250;

DWORD WINAPI watch(LPVOID parameter)
{
    const Watch& watch = *static_cast<const Watch*>(parameter);
    unsigned long seen = steps;
    LONGLONG since = monotonicMs();
    while (WaitForSingleObject(watch.stop, lookEveryMs) == WAIT_TIMEOUT) {
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
    return 0;
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

Watchdog::~Watchdog()
{
    if (thread != nullptr) {
        SetEvent(stop);
        // NOTE: bounded, in case the thread is itself ending the process.
        WaitForSingleObject(thread, 2 * lookEveryMs);
        CloseHandle(thread);
    }
    if (stop != nullptr) {
        CloseHandle(stop);
    }
}

bool startWatchdog(Watchdog& watchdog, DWORD stallMs, HostLog& log)
{
    static Watch watching;
    watchdog.stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (watchdog.stop == nullptr)
        return false;
    watching = {.stallMs = stallMs, .log = &log, .stop = watchdog.stop};
    watchdog.thread = CreateThread(nullptr, 0, watch, &watching, 0, nullptr);
    return watchdog.thread != nullptr;
}
