#pragma once
// The stand-in's process-wide state, shared by the files that answer each DLL's
// calls. Tests see it only through winstub.h.

#include "winstub.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace winstub::detail {

struct WindowClass {
    std::string name;
    WNDPROC procedure;
    HINSTANCE instance;
};

struct WindowRecord {
    Window info;
    WNDPROC procedure;
    DWORD thread;
};

struct State {
    std::vector<Call> calls{};
    std::set<Failure> failures{};
    std::vector<WindowClass> classes{};
    std::map<HWND, WindowRecord> windows{};
    std::vector<MessageBoxShown> messageBoxes{};
    std::vector<DEVMODEA> displayModeRequests{};
    std::vector<PIXELFORMATDESCRIPTOR> pixelFormatRequests{};
    std::vector<Image> presentedImages{};
    std::vector<std::string> openedPaths{};
    std::set<int> openFiles{};
    HWND foreground = nullptr;
    HWND focus = nullptr;
    int cursorDisplayCount = 0;
    bool displayModeChanged = false;
    bool keepPresentedImages = false;
    bool framebufferAlpha = false;
    // Unset: glGetString(GL_EXTENSIONS) answers with the driver's own list.
    std::optional<std::string> glExtensions{};
    LRESULT defWindowProcResult = 0;
    DWORD tickCount = 0;
    std::function<void()> onTickCount{};
    std::string moduleFileName{};
    HostThread hostThread = HostThread::same;
    int blockedSends = 0;
    // Never reset, so a handle left over from an earlier test never names a new object.
    std::uintptr_t nextHandle = 0x10000;
};

State& state();

// Hosts that render on another thread than the window's call into the stand-in
// from two threads at once: the call log, the windows' client sizes and the GL
// contexts' holders are read and written under this lock. It is recursive
// because a call may reach another while it holds the lock, and never held while
// a window procedure runs.
std::recursive_mutex& sharedStateLock();

bool failing(Failure what);
std::uintptr_t newHandle();

template <typename Handle>
Handle makeHandle()
{
    return reinterpret_cast<Handle>(newHandle());
}

// Records a call for the tests; handles go in as their address values.
void record(std::string name, std::initializer_list<std::int64_t> ints,
            std::initializer_list<std::string> strings = {});

WindowRecord* windowRecord(HWND window);
// Stands for every thread but the ones the stand-in numbers: a host's thread.
constexpr DWORD otherThreadId = 0xFFFF;
WindowRecord* windowOfDeviceContext(HDC deviceContext);

// The GL side (gl_context.cpp), used by the WGL calls and window resizing.
HGLRC createGlContext(HWND window);
bool bindGlContext(HGLRC context, HWND window);
void releaseGlContext();
bool deleteGlContext(HGLRC context);
HGLRC currentGlContext();
HWND currentGlWindow();
void windowResized(HWND window);
void endAllGlContexts();

} // namespace winstub::detail
