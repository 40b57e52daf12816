#include "host/plugin.h"

#include "display/display.h"
#include "host/settings.h"
#include "image/sprite_image.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/scene.h"
#include "render/view.h"

#include <cstdio>

namespace {

constexpr const char* aboutAuthor = "the zelVis authors";
constexpr const char* oldHostText = "This plugin requires Winamp 5.0+";

} // namespace

VisHeader visHeader{
    .version = visHeaderVersion,
    .description = pluginName,
    .getModule = getModule,
};

VisModule visModule{
    .description = pluginName,
    .parentWindow = nullptr,
    .dllInstance = nullptr,
    .sampleRate = 0,
    .channels = 0,
    .latencyMs = 25,
    .delayMs = 25,
    .spectrumChannels = 2,
    .waveformChannels = 0,
    .spectrumData = {},
    .waveformData = {},
    .config = showAbout,
    .init = initPlugin,
    .render = renderPlugin,
    .quit = quitPlugin,
    .userData = nullptr,
};

VisModule* hostModule = nullptr;
int quitting = 0;

extern "C" VisHeader* winampVisGetHeader()
{
    return &visHeader;
}

VisModule* getModule(int index)
{
    return index == 0 ? &visModule : nullptr;
}

void showAbout(VisModule* module)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s by %s.", pluginName, aboutAuthor);
    MessageBoxA(module->parentWindow, text, "About", MB_OK);
}

int initPlugin(VisModule* module)
{
    pluginSettings = defaultSettings;
    viewWidth = referenceViewWidth;
    viewHeight = referenceViewHeight;
    // A host may quit us and start us again within one load of the DLL: the new run
    // must draw, and the trail and glow textures of the old context are gone.
    quitting = 0;
    feedbackTexture = -1;
    glowTexture = -1;

    hostModule = module;

    if (SendMessageA(module->parentWindow, WM_USER, 0, hostVersionProbe) == 0) {
        MessageBoxA(module->parentWindow, oldHostText, pluginName, MB_OK);
        return 1;
    }
    if (!createDisplay(module))
        return 1;

    resizeView(viewWidth, viewHeight);
    initGlState();
    SwapBuffers(displayContext.deviceContext);
    return loadSpriteOrWarn();
}

int renderPlugin(VisModule*)
{
    // NOTE: a host may render before init, or after an init that failed before the
    // GL context existed; there is then nothing to draw into.
    if (quitting || displayContext.glContext == nullptr)
        return 0;
    // The window went with the host's: there is nowhere to draw, and 1 asks the
    // host to end the visualisation.
    if (displayContext.window == nullptr)
        return 1;
    if (viewSizePending)
        resizeView(viewWidth, viewHeight);
    buildScene();
    renderFrame();
    SwapBuffers(displayContext.deviceContext);
    return 0;
}

int quitPlugin(VisModule* module)
{
    quitting = 1;
    SendMessageA(module->parentWindow, WM_USER, 0, hostWindowNotice);
    return destroyDisplay();
}
