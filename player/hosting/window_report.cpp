#include "hosting/window_report.h"

#include "hosting/host_window.h"

#include <cstdint>

JsonLine describePluginWindow(HWND window, HWND mainWindow)
{
    JsonLine line("pluginWindow");
    line.number("handle", reinterpret_cast<std::uintptr_t>(window));
    if (window == nullptr || !IsWindow(window)) {
        return line.flag("exists", false);
    }
    line.flag("exists", true);

    char className[256] = {};
    if (GetClassNameA(window, className, sizeof className) > 0) {
        line.text("class", className);
    } else {
        line.null("class");
    }
    char title[256] = {};
    // An empty title and a failure both read as length 0; an empty title is "".
    GetWindowTextA(window, title, sizeof title);
    line.text("title", title);
    line.number("style", static_cast<std::uint32_t>(GetWindowLongA(window, GWL_STYLE)));
    line.number("exStyle", static_cast<std::uint32_t>(GetWindowLongA(window, GWL_EXSTYLE)));
    addWindowField(line, "owner", GetWindow(window, GW_OWNER), mainWindow);
    RECT client{};
    if (GetClientRect(window, &client)) {
        line.number("clientWidth", client.right - client.left);
        line.number("clientHeight", client.bottom - client.top);
    } else {
        line.null("clientWidth").null("clientHeight");
    }
    RECT outer{};
    if (GetWindowRect(window, &outer)) {
        line.number("left", outer.left).number("top", outer.top);
    } else {
        line.null("left").null("top");
    }
    line.flag("visible", IsWindowVisible(window) != FALSE);
    return line;
}

JsonLine describeLeftovers(const char* event, HWND window, HINSTANCE pluginInstance)
{
    JsonLine line(event);
    line.number("window", reinterpret_cast<std::uintptr_t>(window));
    line.flag("windowExists", window != nullptr && IsWindow(window));
    line.text("class", pluginWindowClass);
    line.flag("classWindowExists", FindWindowA(pluginWindowClass, nullptr) != nullptr);
    WNDCLASSA registered{};
    line.flag("classRegistered", GetClassInfoA(pluginInstance, pluginWindowClass, &registered) != FALSE);
    return line;
}
