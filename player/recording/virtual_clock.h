#pragma once
// Recording runs the plug-in on the player's clock: its millisecond clock reads
// (kernel32 GetTickCount, winmm timeGetTime where it imports it) are answered
// with the time of the frame being rendered, so that its motion depends on the
// frame number alone and not on how fast the machine renders.

#include "host_log.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Redirects the plug-in's clock imports to the player's clock, which reads
// `startMs` until setVirtualClock. Answers false, with the reason in `error`, when
// the plug-in imports none of them: its motion could not be made repeatable.
bool installVirtualClock(HMODULE plugin, std::uint32_t startMs, HostLog& log, std::string& error);

void setVirtualClock(std::uint32_t nowMs);
