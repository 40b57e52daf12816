#pragma once
// Milliseconds on the performance counter: for waits and durations, never the time of day.

#include <windows.h>

inline LONGLONG monotonicMs()
{
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart * 1000 / frequency.QuadPart;
}
