#pragma once
// The pixel format and display mode the plug-in asks the system for.

#include <windows.h>

#include <cstddef>

constexpr PIXELFORMATDESCRIPTOR pixelFormatRequest{
    .nSize = sizeof(PIXELFORMATDESCRIPTOR),
    .nVersion = 1,
    .dwFlags = PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL,
    .iPixelType = PFD_TYPE_RGBA,
    .cColorBits = 32,
    .cRedBits = 0,
    .cRedShift = 0,
    .cGreenBits = 0,
    .cGreenShift = 0,
    .cBlueBits = 0,
    .cBlueShift = 0,
    .cAlphaBits = 0,
    .cAlphaShift = 0,
    .cAccumBits = 0,
    .cAccumRedBits = 0,
    .cAccumGreenBits = 0,
    .cAccumBlueBits = 0,
    .cAccumAlphaBits = 0,
    .cDepthBits = 16,
    .cStencilBits = 0,
    .cAuxBuffers = 0,
    .iLayerType = PFD_MAIN_PLANE,
    .bReserved = 0,
    .dwLayerMask = 0,
    .dwVisibleMask = 0,
    .dwDamageMask = 0,
};

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, nSize) == 0);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, nVersion) == 2);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, dwFlags) == 4);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, iPixelType) == 8);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cColorBits) == 9);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cRedBits) == 10);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cAlphaBits) == 16);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cAccumBits) == 18);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cDepthBits) == 23);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cStencilBits) == 24);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, iLayerType) == 26);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, dwLayerMask) == 28);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, dwVisibleMask) == 32);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, dwDamageMask) == 36);

// The display-mode record in its 148-byte form. NOTE: the headers' DEVMODEA has
// grown fields since; the system reads dmSize to tell which form it is given.
struct DisplayModeRequest {
    BYTE dmDeviceName[32];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    BYTE printerFields[60];
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
    DWORD colourMatchingFields[6];
};

static_assert(sizeof(DisplayModeRequest) == 148);
static_assert(offsetof(DisplayModeRequest, dmSize) == 36);
static_assert(offsetof(DisplayModeRequest, dmDriverExtra) == 38);
static_assert(offsetof(DisplayModeRequest, dmFields) == 40);
static_assert(offsetof(DisplayModeRequest, dmBitsPerPel) == 104);
static_assert(offsetof(DisplayModeRequest, dmPelsWidth) == 108);
static_assert(offsetof(DisplayModeRequest, dmPelsHeight) == 112);
static_assert(offsetof(DisplayModeRequest, dmDisplayFrequency) == 120);
static_assert(offsetof(DisplayModeRequest, dmSize) == offsetof(DEVMODEA, dmSize));
static_assert(offsetof(DisplayModeRequest, dmFields) == offsetof(DEVMODEA, dmFields));
static_assert(offsetof(DisplayModeRequest, dmPelsHeight) == offsetof(DEVMODEA, dmPelsHeight));
static_assert(offsetof(DisplayModeRequest, dmDisplayFrequency) ==
              offsetof(DEVMODEA, dmDisplayFrequency));

// Full screen at the view size and 32 bits per pixel; no refresh rate is named.
DisplayModeRequest displayModeRequest(int width, int height);

// Windowed: caption and close box, no sizing border. Full screen: a bare popup.
constexpr DWORD windowedExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD windowedFrameStyle = WS_CAPTION | WS_SYSMENU;
constexpr DWORD fullscreenExStyle = WS_EX_APPWINDOW;
constexpr DWORD fullscreenFrameStyle = WS_POPUP;
constexpr DWORD childClipStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
