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
