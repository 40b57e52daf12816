// gdi32's pixel format and buffer swap, and the WGL context calls, over the
// windows of user32.cpp and the Mesa contexts of gl_context.cpp.

#include "stub_state.h"

using namespace winstub;
using namespace winstub::detail;

int WINAPI ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor)
{
    record("ChoosePixelFormat", {handleValue(deviceContext)});
    state().pixelFormatRequests.push_back(*descriptor);
    if (failing(Failure::choosePixelFormat) || windowOfDeviceContext(deviceContext) == nullptr)
        return 0;
    return chosenPixelFormat;
}

BOOL WINAPI SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR* descriptor)
{
    record("SetPixelFormat", {handleValue(deviceContext), format});
    state().pixelFormatRequests.push_back(*descriptor);
    WindowRecord* window = windowOfDeviceContext(deviceContext);
    if (failing(Failure::setPixelFormat) || window == nullptr || format <= 0)
        return FALSE;
    // A window's pixel format is set once for its life.
    if (window->info.pixelFormat != 0 && window->info.pixelFormat != format)
        return FALSE;
    window->info.pixelFormat = format;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC deviceContext)
{
    record("SwapBuffers", {handleValue(deviceContext)});
    // Hosts may destroy the window on its own thread while another thread swaps.
    HWND presenting = nullptr;
    {
        const std::lock_guard held(sharedStateLock());
        const WindowRecord* window = windowOfDeviceContext(deviceContext);
        if (window == nullptr)
            return FALSE;
        presenting = window->info.handle;
    }
    if (state().keepPresentedImages && currentGlWindow() == presenting)
        state().presentedImages.push_back(readFramebuffer());
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC deviceContext)
{
    record("wglCreateContext", {handleValue(deviceContext)});
    const WindowRecord* window = windowOfDeviceContext(deviceContext);
    // As under Windows, a context needs a device context whose pixel format is set.
    if (failing(Failure::createContext) || window == nullptr || window->info.pixelFormat == 0)
        return nullptr;
    return createGlContext(window->info.handle);
}

BOOL WINAPI wglMakeCurrent(HDC deviceContext, HGLRC glContext)
{
    record("wglMakeCurrent", {handleValue(deviceContext), handleValue(glContext)});
    if (glContext == nullptr) {
        releaseGlContext();
        return TRUE;
    }
    if (failing(Failure::makeCurrent))
        return FALSE;
    const std::lock_guard held(sharedStateLock());
    const WindowRecord* window = windowOfDeviceContext(deviceContext);
    return bindGlContext(glContext, window != nullptr ? window->info.handle : nullptr) ? TRUE : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC glContext)
{
    record("wglDeleteContext", {handleValue(glContext)});
    return deleteGlContext(glContext) ? TRUE : FALSE;
}

HGLRC WINAPI wglGetCurrentContext()
{
    record("wglGetCurrentContext", {});
    return currentGlContext();
}

HDC WINAPI wglGetCurrentDC()
{
    record("wglGetCurrentDC", {});
    const std::lock_guard held(sharedStateLock());
    const WindowRecord* window = windowRecord(currentGlWindow());
    return window != nullptr ? window->info.deviceContext : nullptr;
}
