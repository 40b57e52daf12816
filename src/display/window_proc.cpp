#include "display/display.h"

#include "display/context_turn.h"
#include "display/window_gone.h"
#include "host/run_state.h"
#include "render/view.h"

namespace {

// Neither the screen saver nor the monitor's power-down may interrupt the show.
// The whole wParam is compared: a command with its low bits set is let through.
bool isBlockedSystemCommand(WPARAM command)
{
    return command == SC_SCREENSAVE || command == SC_MONITORPOWER;
}

// GL calls land in whatever context is current on the thread: none while the
// window is being made, perhaps the host's own later.
bool ownContextCurrent()
{
    return displayContext.glContext != nullptr &&
           wglGetCurrentContext() == displayContext.glContext;
}

} // namespace

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        if (ownContextCurrent())
            resizeView(LOWORD(lParam), HIWORD(lParam));
        else
            recordViewSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        // Destroyed by its owner, or by our teardown: the handle and its device
        // context die when this returns, perhaps while a host's other thread draws.
        // That thread reads the handles, so they stay as they are; it looks here
        // first. A request to let go of the context dies with the window's queue.
        if (window == displayContext.window) {
            markWindowGone();
            forgetReleaseRequest();
        }
        // The show is over however the window went, by quit or with its owner: the
        // thread that ran it hears so as it does when the user closes the window, so
        // a host whose loop ends only on the quit message ends it. A failed init's
        // teardown says nothing: the host learns of it from init's answer, before any
        // loop of its own has begun.
        if (runState != RunState::starting)
            PostQuitMessage(0);
        break;
    case contextReleaseRequest:
        releaseContextOnRequest();
        return 0;
    case WM_ACTIVATE:
    case WM_KEYDOWN:
    case WM_KEYUP:
        return 0;
    case WM_CLOSE:
        // The host ends the run on the quit message and calls quit, which tears the
        // window down in order; destroying it here would pull it from under the host.
        PostQuitMessage(0);
        return 0;
    case WM_SYSCOMMAND:
        if (isBlockedSystemCommand(wParam))
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
