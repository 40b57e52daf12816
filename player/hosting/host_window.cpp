#include "hosting/host_window.h"

#include "host/vis_module.h"
#include "utf8_file.h"
#include "win32_error.h"

#include <cstdint>
#include <iterator>

namespace {

constexpr const wchar_t* hostClassName = L"zelplay-host";

// Media players that embed the plug-in's window keep it at their own client
// size: when it is announced and whenever they are resized.
void fitPluginWindow(HostWindow& host, const char* reason)
{
    HWND plugin = host.pluginWindow;
    RECT client{};
    if (!host.resizeOnNotice || plugin == nullptr || !GetClientRect(host.window, &client)) {
        return;
    }
    const bool resized = SetWindowPos(plugin, nullptr, 0, 0, client.right, client.bottom,
                                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
    if (host.log != nullptr) {
        host.log->write(JsonLine("hostFitsPluginWindow")
                            .text("reason", reason)
                            .number("width", client.right)
                            .number("height", client.bottom)
                            .flag("resized", resized));
    }
}

LRESULT answerUserMessage(HostWindow& host, WPARAM wParam, LPARAM lParam)
{
    LRESULT reply = 0;
    if (lParam == versionProbeCode) {
        reply = host.oldHost ? 0 : hostVersionReply;
    } else if (lParam == windowNoticeCode) {
        host.pluginWindow = reinterpret_cast<HWND>(wParam);
    }
    if (host.log != nullptr) {
        host.log->write(JsonLine("hostMessage")
                            .number("message", WM_USER)
                            .number("wParam", static_cast<std::uintptr_t>(wParam))
                            .number("lParam", static_cast<std::intptr_t>(lParam))
                            .number("reply", static_cast<std::intptr_t>(reply)));
    }
    if (lParam == windowNoticeCode) {
        fitPluginWindow(host, "notice");
    }
    return reply;
}

// The Configure button: the config entry on the player's own thread, on the very
// module record the visualisation runs with.
void pressConfigure(HostWindow& host, VisModule* module)
{
    if (module->config != nullptr) {
        module->config(module);
    }
    if (host.log != nullptr) {
        host.log->write(JsonLine("config")
                            .text("when", "running")
                            .flag("present", module->config != nullptr));
    }
}

// What the player's menus send a running visualisation: next, previous, random,
// full screen, configure, menu, and a change of display settings.
void sendVisCommands(HostWindow& host, HWND plugin)
{
    if (plugin == nullptr) {
        return;
    }
    int sent = 0;
    for (WORD command = firstVisCommand; command <= lastVisCommand; ++command) {
        SendMessageA(plugin, WM_COMMAND, command, 0);
        ++sent;
    }
    const LPARAM screen = MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SendMessageA(plugin, WM_DISPLAYCHANGE, 32, screen);
    ++sent;
    if (host.log != nullptr) {
        host.log->write(JsonLine("commandsSent")
                            .number("messages", sent)
                            .flag("pluginWindowExists", IsWindow(plugin) != FALSE));
    }
}

// The title a start's thread left for the window, shown on the window's own thread.
void showPendingTitle(HostWindow& host, HWND window, bool logged)
{
    std::wstring title;
    {
        std::lock_guard<std::mutex> held(host.titleLock);
        title = host.title;
    }
    const bool shown = SetWindowTextW(window, title.c_str()) != FALSE;
    if (!logged || host.log == nullptr) {
        return;
    }
    wchar_t text[512] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    std::string utf8;
    narrowToUtf8(text, utf8);
    host.log->write(JsonLine("title").flag("shown", shown).name("text", utf8));
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_USER:
        return answerUserMessage(*host, wParam, lParam);
    case WM_CLOSE:
        // The run loop ends the run and tears down in order; destroying the window
        // here would pull the owner from under the plug-in's window.
        host->closeRequested = true;
        return 0;
    case WM_SIZE:
    case WM_SIZING:
        fitPluginWindow(*host, message == WM_SIZE ? "size" : "sizing");
        return DefWindowProcW(window, message, wParam, lParam);
    case hostDestroyRequest:
        DestroyWindow(window);
        return 0;
    case hostStopRequest:
        host->stopRequested = true;
        return 0;
    case hostConfigRequest:
        pressConfigure(*host, reinterpret_cast<VisModule*>(wParam));
        return 0;
    case hostCommandsRequest:
        sendVisCommands(*host, reinterpret_cast<HWND>(wParam));
        return 0;
    case hostTitleRequest:
        showPendingTitle(*host, window, wParam != 0);
        return 0;
    case WM_DESTROY:
        host->window = nullptr;
        if (host->log != nullptr) {
            host->log->write(JsonLine("hostWindowDestroyed"));
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool createHostWindow(HINSTANCE instance, HostWindow& host, HostWindowKind kind, std::string& error)
{
    WNDCLASSW registered{};
    if (!GetClassInfoW(instance, hostClassName, &registered)) {
        const WNDCLASSW windowClass{
            .style = 0,
            .lpfnWndProc = hostWindowProc,
            .cbClsExtra = 0,
            .cbWndExtra = 0,
            .hInstance = instance,
            .hIcon = nullptr,
            .hCursor = LoadCursorA(nullptr, IDC_ARROW),
            .hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
            .lpszMenuName = nullptr,
            .lpszClassName = hostClassName,
        };
        if (RegisterClassW(&windowClass) == 0) {
            error = "cannot register the player's window class: " + describeError(GetLastError());
            return false;
        }
    }
    const bool main = kind == HostWindowKind::main;
    host.window = CreateWindowExW(0, hostClassName, L"zelplay", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, main ? 320 : 0, main ? 120 : 0, nullptr, nullptr,
                                  instance, &host);
    if (host.window == nullptr) {
        error = "cannot create the player's window: " + describeError(GetLastError());
        return false;
    }
    if (main) {
        // ShowWindow answers the previous visibility, not success.
        ShowWindow(host.window, SW_SHOWNOACTIVATE);
    }
    return true;
}

// Teardown at the end of the run: a failure here changes nothing for the run's
// outcome, and the process exits right after.
void destroyHostWindow(HostWindow& host)
{
    if (host.window != nullptr) {
        DestroyWindow(host.window);
        host.window = nullptr;
    }
}

void showHostTitle(HostWindow& host, const std::string& title, bool logged)
{
    std::wstring wide;
    if (!widenUtf8(title, wide)) {
        return;
    }
    {
        std::lock_guard<std::mutex> held(host.titleLock);
        host.title = std::move(wide);
    }
    const HWND window = host.window;
    if (window != nullptr) {
        PostMessageW(window, hostTitleRequest, logged ? 1 : 0, 0);
    }
}

void unregisterHostWindowClass()
{
    UnregisterClassW(hostClassName, GetModuleHandleW(nullptr));
}

void addWindowField(JsonLine& line, const char* key, HWND window, HWND mainWindow)
{
    if (window != nullptr && window == mainWindow) {
        line.text(key, "player-main-window");
    } else {
        line.number(key, reinterpret_cast<std::uintptr_t>(window));
    }
}
