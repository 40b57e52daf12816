#pragma once
// What tests use to drive the Win32 stand-in and to see what the plug-in did
// with it. Everything is process-wide; reset() starts a test from a clean slate.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace winstub {

// One call into the stand-in, in the order made. Handles and pointers appear in
// `ints` as their address values (see handleValue). A message the stand-in
// delivers to a window procedure is logged as "windowProc" (window, message,
// wParam, lParam), so the log is the whole conversation in order.
//
// ints / strings per call:
//   RegisterClassA        style, instance, wndProc          / className
//   UnregisterClassA      instance                          / className
//   CreateWindowExA       exStyle, style, x, y, width, height, parent, menu, instance
//                                                           / className, windowName
//   DestroyWindow, GetDC, ShowWindow(+command), SetForegroundWindow, SetFocus: window
//   ReleaseDC             window, deviceContext
//   AdjustWindowRectEx    left, top, right, bottom (as given), style, menu, exStyle
//   SetWindowLongPtrA / SetWindowLongA   window, index, value
//   SendMessageA, PostMessageA, DefWindowProcA, windowProc   window, message, wParam, lParam
//   SendMessageTimeoutA   window, message, wParam, lParam, flags, timeoutMs
//   GetModuleHandleExA    flags
//   PostQuitMessage       exitCode
//   MessageBoxA           owner, type                       / text, caption
//   ChangeDisplaySettingsA  hasMode (0/1), flags
//   ShowCursor            show
//   ChoosePixelFormat     deviceContext;  SetPixelFormat: deviceContext, format
//   SwapBuffers           deviceContext
//   wglCreateContext      deviceContext;  wglMakeCurrent: deviceContext, glContext
//   wglDeleteContext      glContext;      wglGetCurrentContext, wglGetCurrentDC: (none)
//   GetModuleFileNameW    module, size;   GetTickCount: (none)
//   _wopen                flags / path (as given, in UTF-8);  _lseek: handle, offset, origin
//   _read                 handle, count;  _close: handle
struct Call {
    std::string name;
    std::vector<std::int64_t> ints;
    std::vector<std::string> strings;
};

template <typename Handle>
std::int64_t handleValue(Handle* handle)
{
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle));
}

// The calls a test can make fail; each fails every time until reset().
enum class Failure {
    registerClass,          // RegisterClassA returns 0
    createWindow,           // CreateWindowExA returns null
    getDC,                  // GetDC returns null
    choosePixelFormat,      // ChoosePixelFormat returns 0
    setPixelFormat,         // SetPixelFormat returns FALSE
    createContext,          // wglCreateContext returns null
    makeCurrent,            // wglMakeCurrent with a context returns FALSE (releasing still works)
    changeDisplaySettings,  // a mode change returns DISP_CHANGE_FAILED (restoring still works)
    versionProbe,           // the host answers 0 to WM_USER with lParam 505
};

struct MessageBoxShown {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct Window {
    HWND handle;
    std::string className;
    std::string title;
    DWORD style;
    DWORD exStyle;
    int x;
    int y;
    HWND owner;
    HINSTANCE instance;
    int clientWidth;
    int clientHeight;
    bool visible;
    LONG_PTR userData;
    HDC deviceContext;
    int pixelFormat;  // 0 until SetPixelFormat
};

// An image read back from a framebuffer: 3 bytes (R, G, B) per pixel, top row first.
struct Image {
    int width;
    int height;
    std::vector<unsigned char> rgb;
};

// The handles tests hand the plug-in as the host's window and the DLL's instance.
// SendMessageA to hostWindow() is answered by a scripted host: nonzero to the
// version probe (WM_USER, lParam 505), 0 to everything else.
// DestroyWindow(hostWindow()) plays the host closing its window: as under Windows,
// DestroyWindow first destroys the windows the given one owns, each told WM_DESTROY.
HWND hostWindow();
HINSTANCE dllInstance();
// The name GetModuleFileNameW answers for the null module: the host's program.
constexpr const char* hostProgramPath = "C:\\Host\\host.exe";

// How the host window's thread answers. By default it is the calling thread's own
// window. On another thread that pumps, sends are answered as usual; on another
// thread that has stopped pumping, SendMessageTimeoutA gives up and answers 0, and
// SendMessageA, which would never return there, is counted in blockedSends().
enum class HostThread { same, otherPumping, otherStopped };
void setHostThread(HostThread thread);
int blockedSends();

// Ends every GL context, forgets windows, classes, calls, failures, message boxes,
// presented images, the cursor count and the display mode; closes files left open.
// The clock goes back to 0 and the module file name to a path where no file lies.
void reset();

void fail(Failure what);

const std::vector<Call>& calls();
// Forgets the calls logged so far, and nothing else: long runs clear the log now
// and then so that it does not grow with every frame.
void clearCalls();
std::vector<Call> callsNamed(std::string_view name);
int callCount(std::string_view name);
// Position in calls() of the first call of that name at or after `from`; -1 if none.
std::ptrdiff_t findCall(std::string_view name, std::size_t from = 0);
// Position of the last such call; -1 if none.
std::ptrdiff_t findLastCall(std::string_view name);

const std::vector<MessageBoxShown>& messageBoxes();
// ShowCursor's display counter: 0 after reset, -1 after one ShowCursor(FALSE).
int cursorDisplayCount();
// True between a successful mode change and ChangeDisplaySettingsA(null, 0).
bool displayModeChanged();
const std::vector<DEVMODEA>& displayModeRequests();
// Descriptors given to ChoosePixelFormat and SetPixelFormat, in call order.
const std::vector<PIXELFORMATDESCRIPTOR>& pixelFormatRequests();
// What ChoosePixelFormat answers when it succeeds.
constexpr int chosenPixelFormat = 7;

// The fake frame AdjustWindowRectEx adds around a client area (and CreateWindowExA
// takes off again): borders for WS_BORDER / WS_DLGFRAME, a caption for WS_CAPTION.
constexpr int frameBorder = 3;
constexpr int captionHeight = 23;

const Window* findWindow(HWND window);
std::vector<Window> windows();
bool classRegistered(std::string_view className, HINSTANCE instance);
HWND foregroundWindow();
HWND focusWindow();
// Resizes the client area and its framebuffer, then sends WM_SIZE as the system would.
void resizeWindow(HWND window, int clientWidth, int clientHeight);
// Sends a message to a window's procedure, as SendMessageA would; returns its result.
LRESULT deliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// What DefWindowProcA answers (0 after reset), so tests can see its result passed on.
void setDefWindowProcResult(LRESULT result);

// Names as Windows keeps them (UTF-16 code units, one per wchar_t) and as the file
// system here does (UTF-8).
std::wstring utf16FromUtf8(std::string_view text);
std::string utf8FromUtf16(const wchar_t* text);

void setTickCount(DWORD milliseconds);
// From now on (until reset) every GetTickCount runs `action` first, on the calling
// thread: a test may stop a frame there, after the frame has taken its context.
void onTickCount(std::function<void()> action);
// The DLL's own name, in UTF-8; GetModuleFileNameW answers it in UTF-16.
void setModuleFileName(std::string_view path);
// Paths given to _wopen, as given (backslashes kept), in UTF-8.
const std::vector<std::string>& openedPaths();
// Files opened by _wopen and not yet closed.
int openFileCount();

// From now on (until reset) SwapBuffers keeps a copy of what it presents.
void keepPresentedImages();
const std::vector<Image>& presentedImages();

// As under WGL, a context is current on one thread at a time: making it current
// where another thread holds it fails, and so does deleting it there.
//
// A current GL context with a width x height framebuffer (RGB8 colour, 16-bit
// depth), for tests that need GL without the plug-in's init. Ended by reset().
void makeGlContextCurrent(int width, int height);
// From now on (until reset) framebuffers are made with RGBA8 colour: the 8 alpha
// bits real drivers often give though the pixel format asks for none.
void giveFramebuffersAlpha();
// From now on (until reset) glGetString(GL_EXTENSIONS) answers `extensions`, as a
// driver with that list would; the context itself still offers all Mesa has.
void setGlExtensions(std::string_view extensions);
// The colour buffer of the current context's framebuffer.
Image readFramebuffer();
// GL contexts made and not yet deleted, test contexts included.
int glContextCount();

} // namespace winstub
