#pragma once
// A run that stops moving is named, not left to hang: the player notes each step of
// each start (the call it makes, the frame it is on), and a thread of its own ends
// the process when no step was noted for too long, saying where it stood.

#include "host_log.h"

#include <windows.h>

// Exit status of a run the watchdog ended.
constexpr int exitStalled = 4;

// The step the player is about to take: a call into the plug-in ("init", "render",
// "quit"...) or one of its own ("spectrum", "messages", "load"...). `call` must be a
// string literal. Cheap enough for every step; without a watchdog it only counts.
void noteStep(const char* call, long frame);
// The same, on the frame of the last step.
void noteStep(const char* call);
void noteStart(long start);

// The watchdog's thread, which holds the log: it ends, and is waited for, when the
// record goes, before the log it writes to.
struct Watchdog {
    Watchdog() = default;
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog();

    HANDLE thread = nullptr;
    HANDLE stop = nullptr;
};

// Starts the watchdog thread. A stall of `stallMs` without a step logs a "stalled"
// event, writes one line to standard error and ends the process with exitStalled.
bool startWatchdog(Watchdog& watchdog, DWORD stallMs, HostLog& log);
