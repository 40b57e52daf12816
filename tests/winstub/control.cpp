// The tests' side of the stand-in: resetting, failing calls, and reading back
// what the plug-in did.

#include "stub_state.h"

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace winstub::detail {

namespace {

constexpr const char* defaultModuleFileName = "C:\\zelvis-no-such-folder\\vis_zel.dll";

} // namespace

State& state()
{
    static State instance{.moduleFileName = defaultModuleFileName};
    return instance;
}

std::recursive_mutex& sharedStateLock()
{
    static std::recursive_mutex lock;
    return lock;
}

bool failing(Failure what)
{
    return state().failures.contains(what);
}

std::uintptr_t newHandle()
{
    state().nextHandle += 0x10;
    return state().nextHandle;
}

void record(std::string name, std::initializer_list<std::int64_t> ints,
            std::initializer_list<std::string> strings)
{
    const std::lock_guard held(sharedStateLock());
    state().calls.push_back(Call{.name = std::move(name), .ints = ints, .strings = strings});
}

WindowRecord* windowRecord(HWND window)
{
    auto found = state().windows.find(window);
    return found == state().windows.end() ? nullptr : &found->second;
}

WindowRecord* windowOfDeviceContext(HDC deviceContext)
{
    if (deviceContext == nullptr)
        return nullptr;
    for (auto& [handle, window] : state().windows) {
        if (window.info.deviceContext == deviceContext)
            return &window;
    }
    return nullptr;
}

} // namespace winstub::detail

namespace winstub {

using detail::state;

HWND hostWindow()
{
    return reinterpret_cast<HWND>(std::uintptr_t{0xB0570});
}

HINSTANCE dllInstance()
{
    return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x6A000000});
}

void reset()
{
    detail::endAllGlContexts();
    for (int file : state().openFiles)
        ::close(file);
    const std::uintptr_t nextHandle = state().nextHandle;
    state() = detail::State{.moduleFileName = detail::defaultModuleFileName,
                            .nextHandle = nextHandle};
}

void fail(Failure what)
{
    state().failures.insert(what);
}

const std::vector<Call>& calls()
{
    return state().calls;
}

void clearCalls()
{
    state().calls.clear();
}

std::vector<Call> callsNamed(std::string_view name)
{
    std::vector<Call> named;
    std::ranges::copy_if(state().calls, std::back_inserter(named),
                         [name](const Call& call) { return call.name == name; });
    return named;
}

int callCount(std::string_view name)
{
    return static_cast<int>(std::ranges::count_if(
        state().calls, [name](const Call& call) { return call.name == name; }));
}

std::ptrdiff_t findCall(std::string_view name, std::size_t from)
{
    const auto& all = state().calls;
    for (std::size_t i = from; i < all.size(); ++i) {
        if (all[i].name == name)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

std::ptrdiff_t findLastCall(std::string_view name)
{
    const auto& all = state().calls;
    for (std::size_t i = all.size(); i > 0; --i) {
        if (all[i - 1].name == name)
            return static_cast<std::ptrdiff_t>(i - 1);
    }
    return -1;
}

const std::vector<MessageBoxShown>& messageBoxes()
{
    return state().messageBoxes;
}

int cursorDisplayCount()
{
    return state().cursorDisplayCount;
}

bool displayModeChanged()
{
    return state().displayModeChanged;
}

const std::vector<DEVMODEA>& displayModeRequests()
{
    return state().displayModeRequests;
}

const std::vector<PIXELFORMATDESCRIPTOR>& pixelFormatRequests()
{
    return state().pixelFormatRequests;
}

const Window* findWindow(HWND window)
{
    const detail::WindowRecord* found = detail::windowRecord(window);
    return found ? &found->info : nullptr;
}

std::vector<Window> windows()
{
    std::vector<Window> all;
    for (const auto& [handle, window] : state().windows)
        all.push_back(window.info);
    return all;
}

bool classRegistered(std::string_view className, HINSTANCE instance)
{
    return std::ranges::any_of(state().classes, [&](const detail::WindowClass& windowClass) {
        return windowClass.name == className && windowClass.instance == instance;
    });
}

HWND foregroundWindow()
{
    return state().foreground;
}

HWND focusWindow()
{
    return state().focus;
}

void setDefWindowProcResult(LRESULT result)
{
    state().defWindowProcResult = result;
}

void setTickCount(DWORD milliseconds)
{
    state().tickCount = milliseconds;
}

std::wstring utf16FromUtf8(std::string_view text)
{
    std::wstring units;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t point = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int i = 1; i <= extra && at + i < text.size(); ++i)
            point = (point << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        at += static_cast<std::size_t>(extra) + 1;
        if (point >= 0x10000) {
            units += static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10));
            units += static_cast<wchar_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            units += static_cast<wchar_t>(point);
        }
    }
    return units;
}

std::string utf8FromUtf16(const wchar_t* text)
{
    std::string bytes;
    for (const wchar_t* unit = text; *unit != L'\0'; ++unit) {
        char32_t point = static_cast<char32_t>(*unit);
        if (point >= 0xD800 && point < 0xDC00 && unit[1] >= 0xDC00 && unit[1] < 0xE000) {
            point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<char32_t>(unit[1]) - 0xDC00);
            ++unit;
        }
        if (point < 0x80) {
            bytes += static_cast<char>(point);
            continue;
        }
        constexpr unsigned char leads[] = {0x00, 0xC0, 0xE0, 0xF0};
        const int extra = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
        bytes += static_cast<char>(leads[extra] | (point >> (6 * extra)));
        for (int i = extra - 1; i >= 0; --i)
            bytes += static_cast<char>(0x80 | ((point >> (6 * i)) & 0x3F));
    }
    return bytes;
}

void onTickCount(std::function<void()> action)
{
    state().onTickCount = std::move(action);
}

void setModuleFileName(std::string_view path)
{
    state().moduleFileName = path;
}

const std::vector<std::string>& openedPaths()
{
    return state().openedPaths;
}

int openFileCount()
{
    return static_cast<int>(state().openFiles.size());
}

void keepPresentedImages()
{
    state().keepPresentedImages = true;
}

const std::vector<Image>& presentedImages()
{
    return state().presentedImages;
}

void giveFramebuffersAlpha()
{
    state().framebufferAlpha = true;
}

void setHostThread(HostThread thread)
{
    state().hostThread = thread;
}

int blockedSends()
{
    return state().blockedSends;
}

void setGlExtensions(std::string_view extensions)
{
    state().glExtensions = std::string(extensions);
}

} // namespace winstub
