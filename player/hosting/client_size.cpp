#include "hosting/client_size.h"

#include "win32_error.h"

namespace {

std::string sizeText(LONG width, LONG height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

} // namespace

bool setClientSize(HWND window, int width, int height, std::string& error)
{
    if (window == nullptr || !IsWindow(window)) {
        error = "the plug-in announced no window to resize";
        return false;
    }
    const auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    RECT outer{.left = 0, .top = 0, .right = width, .bottom = height};
    if (!AdjustWindowRectEx(&outer, style, GetMenu(window) != nullptr, exStyle)) {
        error = "cannot work out the window size for a " + sizeText(width, height) +
                " client area: " + describeError(GetLastError());
        return false;
    }
    // WM_SIZE reaches the plug-in's window procedure inside this call, so its
    // view follows before the next frame.
    if (!SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        error = "cannot resize the plug-in's window: " + describeError(GetLastError());
        return false;
    }
    RECT client{};
    if (!GetClientRect(window, &client)) {
        error = "cannot read the plug-in window's client size: " + describeError(GetLastError());
        return false;
    }
    if (client.right != width || client.bottom != height) {
        error = "the system gave the plug-in's window a " + sizeText(client.right, client.bottom) +
                " client area instead of " + sizeText(width, height) +
                ": a window may be no larger than the screen, nor narrower than its title bar";
        return false;
    }
    return true;
}
