#include "hosting/full_screen.h"

namespace {

// The frame and title bar: without them the window's client is the whole screen.
constexpr LONG_PTR frameStyles = WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

bool place(HWND window, HWND after, const RECT& rect)
{
    return SetWindowPos(window, after, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, SWP_FRAMECHANGED | SWP_NOOWNERZORDER) != FALSE;
}

} // namespace

bool toggleFullScreen(FullScreen& state, HWND window)
{
    if (state.window != nullptr) {
        const HWND filled = state.window;
        state.window = nullptr;
        if (!IsWindow(filled)) {
            return false;
        }
        SetWindowLongPtrW(filled, GWL_STYLE, state.style);
        return place(filled, HWND_TOP, state.restored);
    }
    MONITORINFO monitor{.cbSize = sizeof(MONITORINFO), .rcMonitor = {}, .rcWork = {}, .dwFlags = 0};
    if (window == nullptr || !GetWindowRect(window, &state.restored) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return false;
    }
    state.style = GetWindowLongPtrW(window, GWL_STYLE);
    state.window = window;
    SetWindowLongPtrW(window, GWL_STYLE, (state.style & ~frameStyles) | WS_POPUP);
    return place(window, HWND_TOP, monitor.rcMonitor);
}
