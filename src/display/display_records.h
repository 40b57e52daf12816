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
    .cDepthBits = 16,
    .iLayerType = PFD_MAIN_PLANE,
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

static_assert(sizeof(DEVMODEA) == 148);
static_assert(offsetof(DEVMODEA, dmSize) == 36);
static_assert(offsetof(DEVMODEA, dmFields) == 40);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104);
static_assert(offsetof(DEVMODEA, dmPelsWidth) == 108);
static_assert(offsetof(DEVMODEA, dmPelsHeight) == 112);

// Full screen at the view size and 32 bits per pixel; no refresh rate is named.
DEVMODEA displayModeRequest(int width, int height);

// Windowed: caption and close box, no sizing border. Full screen: a bare popup.
constexpr DWORD windowedExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD windowedFrameStyle = WS_CAPTION | WS_SYSMENU;
constexpr DWORD fullscreenExStyle = WS_EX_APPWINDOW;
constexpr DWORD fullscreenFrameStyle = WS_POPUP;
constexpr DWORD childClipStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
