#include "hosted_plugin.h"

#include "display/display.h"
#include "display/display_records.h"
#include "host/plugin.h"
#include "render/gl_api.h"
#include "winstub.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* floorClassName = "zelvis_floor";

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "bench: %s\n", what);
    std::exit(1);
}

} // namespace

VisModule* startPlugin(const std::string& assetsDir)
{
    // The stand-in reads Windows paths; the picture lies beside this "DLL".
    std::string modulePath = assetsDir + "/vis_zel.dll";
    std::ranges::replace(modulePath, '/', '\\');
    winstub::setModuleFileName(modulePath);
    VisModule* module = getModule(0);
    module->parentWindow = winstub::hostWindow();
    module->dllInstance = winstub::dllInstance();
    if (initPlugin(module) != 0)
        fail("the plug-in did not start (is vis_zel.bmp in the assets folder?)");
    module->channels = 2;
    return module;
}

BenchWindow pluginWindow()
{
    return {displayContext.window, displayContext.deviceContext, displayContext.glContext};
}

BenchWindow openFloorWindow()
{
    const WNDCLASSA windowClass{.style = 0,
                                .lpfnWndProc = DefWindowProcA,
                                .cbClsExtra = 0,
                                .cbWndExtra = 0,
                                .hInstance = winstub::dllInstance(),
                                .hIcon = nullptr,
                                .hCursor = nullptr,
                                .hbrBackground = nullptr,
                                .lpszMenuName = nullptr,
                                .lpszClassName = floorClassName};
    if (!RegisterClassA(&windowClass))
        fail("RegisterClassA for the floor window failed");
    BenchWindow floor{};
    floor.window = CreateWindowExA(0, floorClassName, "floor", WS_POPUP, 0, 0, 640, 480, nullptr,
                                   nullptr, winstub::dllInstance(), nullptr);
    if (!floor.window)
        fail("CreateWindowExA for the floor window failed");
    floor.deviceContext = GetDC(floor.window);
    const int format = floor.deviceContext ? ChoosePixelFormat(floor.deviceContext, &pixelFormatRequest) : 0;
    if (format == 0 || !SetPixelFormat(floor.deviceContext, format, &pixelFormatRequest))
        fail("the floor window's pixel format was refused");
    floor.glContext = wglCreateContext(floor.deviceContext);
    if (!floor.glContext)
        fail("wglCreateContext for the floor window failed");
    return floor;
}

void useWindow(const BenchWindow& window, int width, int height)
{
    if (!wglMakeCurrent(window.deviceContext, window.glContext))
        fail("wglMakeCurrent failed");
    winstub::resizeWindow(window.window, width, height);
}

std::string rendererName()
{
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return std::string(renderer ? renderer : "?") + " / " + (version ? version : "?");
}
