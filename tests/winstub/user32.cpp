// user32 as the plug-in sees it: window classes, windows and their messages, the
// host window's replies, message boxes, the cursor and the display mode.

#include "stub_state.h"

#include <algorithm>
#include <cstring>

using namespace winstub;
using namespace winstub::detail;

namespace {

constexpr LPARAM hostVersionProbeCode = 505;
constexpr LRESULT hostVersion = 0x5000;

std::int64_t value(LONG_PTR number)
{
    return static_cast<std::int64_t>(number);
}

std::string text(LPCSTR string)
{
    return string ? std::string(string) : std::string("(null)");
}

// Adds the fake frame the given styles draw around a client area.
void addFrame(RECT& rect, DWORD style)
{
    if (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) {
        rect.left -= frameBorder;
        rect.top -= frameBorder;
        rect.right += frameBorder;
        rect.bottom += frameBorder;
    }
    if ((style & WS_CAPTION) == WS_CAPTION)
        rect.top -= captionHeight;
}

LPARAM sizeParameter(int width, int height)
{
    return static_cast<LPARAM>((static_cast<DWORD>(height & 0xFFFF) << 16) |
                               static_cast<DWORD>(width & 0xFFFF));
}

void sendSize(HWND window)
{
    LPARAM size = 0;
    {
        const std::lock_guard held(sharedStateLock());
        const WindowRecord* record = windowRecord(window);
        size = sizeParameter(record->info.clientWidth, record->info.clientHeight);
    }
    deliverMessage(window, WM_SIZE, SIZE_RESTORED, size);
}

// The windows a window owns go first, as under Windows. The host window has no
// record of its own here: only what it owns is destroyed.
// Another thread may be drawing into a window while it goes: the window table
// changes under the shared lock, and the lock is let go for the procedure.
void destroyWithOwnedWindows(HWND window)
{
    std::vector<HWND> owned;
    {
        const std::lock_guard held(sharedStateLock());
        for (const auto& [handle, entry] : state().windows) {
            if (entry.info.owner == window)
                owned.push_back(handle);
        }
    }
    for (const HWND each : owned)
        destroyWithOwnedWindows(each);
    if (windowRecord(window) == nullptr)
        return;
    deliverMessage(window, WM_DESTROY, 0, 0);
    const std::lock_guard held(sharedStateLock());
    state().windows.erase(window);
    if (state().foreground == window)
        state().foreground = nullptr;
    if (state().focus == window)
        state().focus = nullptr;
}

// The scripted host: nonzero to the version probe, 0 to everything else.
LRESULT hostReply(UINT message, LPARAM lParam)
{
    if (message == WM_USER && lParam == hostVersionProbeCode)
        return failing(Failure::versionProbe) ? 0 : hostVersion;
    return 0;
}

} // namespace

namespace winstub {

LRESULT deliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("windowProc", {handleValue(window), message, static_cast<std::int64_t>(wParam),
                          value(lParam)});
    const WindowRecord* target = windowRecord(window);
    if (target == nullptr)
        return 0;
    // The procedure may create or destroy windows: call it through a copy.
    const WNDPROC procedure = target->procedure;
    return procedure(window, message, wParam, lParam);
}

void resizeWindow(HWND window, int clientWidth, int clientHeight)
{
    {
        const std::lock_guard held(sharedStateLock());
        WindowRecord* target = windowRecord(window);
        if (target == nullptr)
            return;
        target->info.clientWidth = clientWidth;
        target->info.clientHeight = clientHeight;
        windowResized(window);
    }
    sendSize(window);
}

} // namespace winstub

ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass)
{
    record("RegisterClassA",
           {windowClass->style, handleValue(windowClass->hInstance),
            static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(windowClass->lpfnWndProc))},
           {text(windowClass->lpszClassName)});
    if (failing(Failure::registerClass) ||
        classRegistered(text(windowClass->lpszClassName), windowClass->hInstance))
        return 0;
    state().classes.push_back(WindowClass{.name = windowClass->lpszClassName,
                                          .procedure = windowClass->lpfnWndProc,
                                          .instance = windowClass->hInstance});
    return static_cast<ATOM>(0xC000 + state().classes.size());
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance)
{
    record("UnregisterClassA", {handleValue(instance)}, {text(className)});
    auto& classes = state().classes;
    const auto found = std::ranges::find_if(classes, [&](const WindowClass& windowClass) {
        return windowClass.name == text(className) && windowClass.instance == instance;
    });
    if (found == classes.end())
        return FALSE;
    const bool inUse = std::ranges::any_of(state().windows, [&](const auto& entry) {
        return entry.second.info.className == found->name &&
               entry.second.info.instance == instance;
    });
    if (inUse)
        return FALSE;
    classes.erase(found);
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID)
{
    record("CreateWindowExA",
           {exStyle, style, x, y, width, height, handleValue(parent), handleValue(menu),
            handleValue(instance)},
           {text(className), text(windowName)});
    if (failing(Failure::createWindow))
        return nullptr;
    const auto& classes = state().classes;
    const auto windowClass = std::ranges::find_if(classes, [&](const WindowClass& candidate) {
        return candidate.name == text(className) && candidate.instance == instance;
    });
    if (windowClass == classes.end())
        return nullptr;

    RECT frame{.left = 0, .top = 0, .right = 0, .bottom = 0};
    addFrame(frame, style);
    const auto window = makeHandle<HWND>();
    state().windows[window] = WindowRecord{
        .info = Window{.handle = window,
                       .className = windowClass->name,
                       .title = text(windowName),
                       .style = style,
                       .exStyle = exStyle,
                       .x = x,
                       .y = y,
                       .owner = parent,
                       .instance = instance,
                       .clientWidth = std::max(0, width - (frame.right - frame.left)),
                       .clientHeight = std::max(0, height - (frame.bottom - frame.top)),
                       .visible = (style & WS_VISIBLE) != 0,
                       .userData = 0,
                       .deviceContext = makeHandle<HDC>(),
                       .pixelFormat = 0},
        .procedure = windowClass->procedure,
        .thread = GetCurrentThreadId(),
    };
    sendSize(window);
    return window;
}

BOOL WINAPI DestroyWindow(HWND window)
{
    record("DestroyWindow", {handleValue(window)});
    if (window != hostWindow() && windowRecord(window) == nullptr)
        return FALSE;
    destroyWithOwnedWindows(window);
    return TRUE;
}

HDC WINAPI GetDC(HWND window)
{
    record("GetDC", {handleValue(window)});
    const WindowRecord* target = windowRecord(window);
    if (failing(Failure::getDC) || target == nullptr)
        return nullptr;
    return target->info.deviceContext;
}

int WINAPI ReleaseDC(HWND window, HDC deviceContext)
{
    record("ReleaseDC", {handleValue(window), handleValue(deviceContext)});
    const WindowRecord* target = windowRecord(window);
    return target != nullptr && target->info.deviceContext == deviceContext ? 1 : 0;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle)
{
    record("AdjustWindowRectEx",
           {rect->left, rect->top, rect->right, rect->bottom, style, menu, exStyle});
    addFrame(*rect, style);
    return TRUE;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR newValue)
{
    record("SetWindowLongPtrA", {handleValue(window), index, value(newValue)});
    WindowRecord* target = windowRecord(window);
    if (target == nullptr || index != GWLP_USERDATA)
        return 0;
    const LONG_PTR previous = target->info.userData;
    target->info.userData = newValue;
    return previous;
}

LONG WINAPI SetWindowLongA(HWND window, int index, LONG newValue)
{
    record("SetWindowLongA", {handleValue(window), index, newValue});
    WindowRecord* target = windowRecord(window);
    if (target == nullptr || index != GWL_USERDATA)
        return 0;
    const auto previous = static_cast<LONG>(target->info.userData);
    target->info.userData = newValue;
    return previous;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("SendMessageA",
           {handleValue(window), message, static_cast<std::int64_t>(wParam), value(lParam)});
    if (window == hostWindow()) {
        if (state().hostThread == HostThread::otherStopped) {
            ++state().blockedSends;
            return 0;
        }
        return hostReply(message, lParam);
    }
    return deliverMessage(window, message, wParam, lParam);
}

LRESULT WINAPI SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT flags, UINT timeoutMs, PDWORD_PTR result)
{
    record("SendMessageTimeoutA", {handleValue(window), message, static_cast<std::int64_t>(wParam),
                                   value(lParam), flags, timeoutMs});
    LRESULT reply = 0;
    if (window == hostWindow()) {
        if (state().hostThread == HostThread::otherStopped)
            return 0;
        reply = hostReply(message, lParam);
    } else if (windowRecord(window) != nullptr) {
        reply = deliverMessage(window, message, wParam, lParam);
    } else {
        return 0;
    }
    if (result != nullptr)
        *result = static_cast<DWORD_PTR>(reply);
    return 1;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("PostMessageA",
           {handleValue(window), message, static_cast<std::int64_t>(wParam), value(lParam)});
    const std::lock_guard held(sharedStateLock());
    return window == hostWindow() || windowRecord(window) != nullptr ? TRUE : FALSE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    if (processId != nullptr)
        *processId = 1;
    if (window == hostWindow())
        return state().hostThread == HostThread::same ? GetCurrentThreadId() : otherThreadId;
    const WindowRecord* target = windowRecord(window);
    return target != nullptr ? target->thread : 0;
}

BOOL WINAPI ShowWindow(HWND window, int command)
{
    record("ShowWindow", {handleValue(window), command});
    WindowRecord* target = windowRecord(window);
    if (target == nullptr)
        return FALSE;
    const bool wasVisible = target->info.visible;
    target->info.visible = command != SW_HIDE;
    // A window shown for the first time learns its size, as under Windows.
    if (!wasVisible && target->info.visible)
        sendSize(window);
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI SetForegroundWindow(HWND window)
{
    record("SetForegroundWindow", {handleValue(window)});
    if (windowRecord(window) == nullptr)
        return FALSE;
    state().foreground = window;
    return TRUE;
}

HWND WINAPI SetFocus(HWND window)
{
    record("SetFocus", {handleValue(window)});
    if (window != nullptr && windowRecord(window) == nullptr)
        return nullptr;
    const HWND previous = state().focus;
    state().focus = window;
    return previous;
}

void WINAPI PostQuitMessage(int exitCode)
{
    record("PostQuitMessage", {exitCode});
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA",
           {handleValue(window), message, static_cast<std::int64_t>(wParam), value(lParam)});
    return state().defWindowProcResult;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR messageText, LPCSTR caption, UINT type)
{
    record("MessageBoxA", {handleValue(owner), type}, {text(messageText), text(caption)});
    state().messageBoxes.push_back(MessageBoxShown{
        .owner = owner, .text = text(messageText), .caption = text(caption), .type = type});
    return IDOK;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags)
{
    record("ChangeDisplaySettingsA", {mode != nullptr ? 1 : 0, flags});
    if (mode == nullptr) {
        state().displayModeChanged = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    // Like Windows, read only the bytes the record says it has (dmSize): callers
    // may pass an older, shorter DEVMODEA than this header's.
    WORD size = 0;
    std::memcpy(&size, reinterpret_cast<const unsigned char*>(mode) + offsetof(DEVMODEA, dmSize),
                sizeof size);
    DEVMODEA request{};
    std::memcpy(&request, mode, std::min<std::size_t>(size, sizeof request));
    state().displayModeRequests.push_back(request);
    if (failing(Failure::changeDisplaySettings))
        return DISP_CHANGE_FAILED;
    state().displayModeChanged = true;
    return DISP_CHANGE_SUCCESSFUL;
}

int WINAPI ShowCursor(BOOL show)
{
    record("ShowCursor", {show});
    state().cursorDisplayCount += show ? 1 : -1;
    return state().cursorDisplayCount;
}
