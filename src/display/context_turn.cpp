#include "display/context_turn.h"

#include "display/display.h"

#include <atomic>

namespace {

// One request at a time: a window's thread that does not pump would otherwise
// find its queue filled by one request a frame.
std::atomic<bool> releaseRequested = false;

} // namespace

bool takeContext(ContextTurn& turn)
{
    // The one call a host that renders on the window's thread pays per frame.
    turn.context = wglGetCurrentContext();
    turn.taken = false;
    if (turn.context == displayContext.glContext)
        return true;
    turn.deviceContext = wglGetCurrentDC();
    if (!wglMakeCurrent(displayContext.deviceContext, displayContext.glContext)) {
        if (!releaseRequested.exchange(true) &&
            !PostMessageA(displayContext.window, contextReleaseRequest, 0, 0))
            releaseRequested = false;
        return false;
    }
    turn.taken = true;
    return true;
}

void giveBackContext(const ContextTurn& turn)
{
    if (!turn.taken)
        return;
    // Released as well when nothing was current: the window's thread must be able
    // to delete the context at quit.
    wglMakeCurrent(turn.context != nullptr ? turn.deviceContext : nullptr, turn.context);
}

void releaseContextOnRequest()
{
    releaseRequested = false;
    if (displayContext.glContext != nullptr && wglGetCurrentContext() == displayContext.glContext)
        wglMakeCurrent(nullptr, nullptr);
}

void forgetReleaseRequest()
{
    releaseRequested = false;
}
