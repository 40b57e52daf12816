#include "display/display.h"

#include "display/display_records.h"
#include "display/window_gone.h"
#include "display/window_notice.h"
#include "host/run_state.h"
#include "host/settings.h"
#include "render/view.h"

DisplayContext displayContext{};

void showFailure(const char* text)
{
    MessageBoxA(hostModule->parentWindow, text, pluginName, MB_OK);
}

namespace {

// The user sees the failure first; the teardown follows once the box is closed,
// so a changed display mode is still in force while the message shows.
int failDisplay(const char* text)
{
    showFailure(text);
    destroyDisplay();
    return 0;
}

struct WindowStyles {
    DWORD exStyle;
    DWORD frameStyle;
};

WindowStyles enterDisplayMode()
{
    if (displayContext.fullscreenActive) {
        DisplayModeRequest mode = displayModeRequest(viewWidth, viewHeight);
        if (ChangeDisplaySettingsA(reinterpret_cast<DEVMODEA*>(&mode), CDS_FULLSCREEN) ==
            DISP_CHANGE_SUCCESSFUL) {
            ShowCursor(FALSE);
            return {fullscreenExStyle, fullscreenFrameStyle};
        }
        // A refused mode change is no failure: the plug-in runs windowed.
        displayContext.fullscreenActive = 0;
    }
    return {windowedExStyle, windowedFrameStyle};
}

} // namespace

int createDisplay(VisModule* module)
{
    displayContext.fullscreenActive = pluginSettings.fullscreen;
    displayContext.instance = pluginInstance(module);
    RECT rectangle{.left = 0, .top = 0, .right = viewWidth, .bottom = viewHeight};

    const WNDCLASSA windowClass{
        .style = 0,
        .lpfnWndProc = windowProc,
        .cbClsExtra = 0,
        .cbWndExtra = 0,
        .hInstance = displayContext.instance,
        .hIcon = nullptr,
        .hCursor = nullptr,
        .hbrBackground = nullptr,
        .lpszMenuName = nullptr,
        .lpszClassName = windowClassName,
    };
    if (!RegisterClassA(&windowClass)) {
        showFailure("ERRORCODE1");
        return 0;
    }

    const WindowStyles styles = enterDisplayMode();
    AdjustWindowRectEx(&rectangle, styles.frameStyle, FALSE, styles.exStyle);

    windowComing();
    displayContext.window = CreateWindowExA(
        styles.exStyle, windowClassName, pluginName, styles.frameStyle | childClipStyle, 0, 0,
        rectangle.right - rectangle.left, rectangle.bottom - rectangle.top, module->parentWindow,
        nullptr, displayContext.instance, nullptr);
    if (!displayContext.window)
        return failDisplay("ERRORCODE2");

    displayContext.deviceContext = GetDC(displayContext.window);
    if (!displayContext.deviceContext)
        return failDisplay("ERRORCODE3");

    const int format = ChoosePixelFormat(displayContext.deviceContext, &pixelFormatRequest);
    if (format == 0)
        return failDisplay("ERRORCODE4");
    if (!SetPixelFormat(displayContext.deviceContext, format, &pixelFormatRequest))
        return failDisplay("ERRORCODE5");

    displayContext.glContext = wglCreateContext(displayContext.deviceContext);
    if (!displayContext.glContext)
        return failDisplay("ERRORCODE6");
    if (!wglMakeCurrent(displayContext.deviceContext, displayContext.glContext))
        return failDisplay("ERRORCODE7");

    SetWindowLongPtrA(displayContext.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(module));
    announceWindow(module->parentWindow, displayContext.window);

    ShowWindow(displayContext.window, SW_SHOW);
    SetForegroundWindow(displayContext.window);
    SetFocus(displayContext.window);
    return 1;
}

int destroyDisplay()
{
    if (displayContext.fullscreenActive) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
        // The cursor count and the mode are the user's again; a second teardown
        // must not show the cursor once more nor reset a mode someone else set.
        displayContext.fullscreenActive = 0;
    }
    if (displayContext.glContext) {
        // Only our own context is released: a host's that is current here stays so.
        if (wglGetCurrentContext() == displayContext.glContext)
            wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(displayContext.glContext);
        displayContext.glContext = nullptr;
    }
    // A window destroyed with its owner took its device context along: the system
    // may since have given that handle to another window, and the window's handle
    // names nothing or someone else's. Both are let go without a call.
    const bool gone = windowGone();
    if (displayContext.deviceContext) {
        if (!gone)
            ReleaseDC(displayContext.window, displayContext.deviceContext);
        displayContext.deviceContext = nullptr;
    }
    if (displayContext.window) {
        if (!gone)
            DestroyWindow(displayContext.window);
        displayContext.window = nullptr;
    }
    return UnregisterClassA(windowClassName, displayContext.instance);
}
