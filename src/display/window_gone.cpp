#include "display/window_gone.h"

#include <windows.h>

#include <atomic>

namespace {

// The longest the window's thread waits for a frame under way: a frame takes
// milliseconds, and a thread that takes longer may be waiting for us.
constexpr DWORD frameUnderWayWaitMs = 1000;

// NOTE: sequentially consistent, both of them: a frame stores `framesUnderWay`
// and then reads `gone`, the window procedure stores `gone` and then reads
// `framesUnderWay`, so at least one of them sees the other.
std::atomic<bool> gone = false;
std::atomic<int> framesUnderWay = 0;
// The thread of the frame under way: a window destroyed from inside a frame, on
// that frame's own thread, cannot wait for it.
std::atomic<DWORD> frameThread = 0;

} // namespace

void windowComing()
{
    gone = false;
}

void markWindowGone()
{
    gone = true;
    if (framesUnderWay == 0 || frameThread == GetCurrentThreadId())
        return;
    const DWORD start = GetTickCount();
    while (framesUnderWay > 0 && GetTickCount() - start < frameUnderWayWaitMs)
        Sleep(1);
}

bool windowGone()
{
    return gone;
}

bool beginFrameOnWindow()
{
    ++framesUnderWay;
    if (gone) {
        --framesUnderWay;
        return false;
    }
    frameThread = GetCurrentThreadId();
    return true;
}

void endFrameOnWindow()
{
    frameThread = 0;
    --framesUnderWay;
}
