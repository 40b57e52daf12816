#include "host/plugin.h"

#include "display/context_turn.h"
#include "display/display.h"
#include "display/window_gone.h"
#include "display/window_notice.h"
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

namespace {

// Takes back from the host what init announced and tears the display down.
int endRun(VisModule* module)
{
    withdrawWindow(module->parentWindow);
    return destroyDisplay();
}

} // namespace

int initPlugin(VisModule* module)
{
    runState = RunState::starting;
    pluginSettings = defaultSettings;
    viewWidth = referenceViewWidth;
    viewHeight = referenceViewHeight;
    // A host may quit us and start us again within one load of the DLL: the trail
    // and glow textures of the old context are gone.
    feedbackTexture = -1;
    glowTexture = -1;

    hostModule = module;

    if (SendMessageA(module->parentWindow, WM_USER, 0, hostVersionProbe) == 0) {
        MessageBoxA(module->parentWindow, oldHostText, pluginName, MB_OK);
        runState = RunState::over;
        return 1;
    }
    if (!createDisplay(module)) {
        runState = RunState::over;
        return 1;
    }

    resizeView(viewWidth, viewHeight);
    initGlState();
    SwapBuffers(displayContext.deviceContext);
    if (loadSpriteOrWarn() != 0) {
        // The media player calls no quit after a failed init and frees the DLL: a
        // window class left registered would refuse every later start in the same
        // player ("ERRORCODE1"), and the window would outlive its procedure.
        endRun(module);
        runState = RunState::over;
        return 1;
    }
    runState = RunState::ready;
    return 0;
}

int renderPlugin(VisModule*)
{
    switch (runState.load()) {
    case RunState::loaded:
    case RunState::starting:
        // A host's timer may call before init has returned: 1 would end the
        // visualisation before it began.
        return 0;
    case RunState::over:
        // Nothing is left to draw into; 1 asks the host to end the visualisation.
        return 1;
    case RunState::ready:
        break;
    }
    // The window went with the host's: there is nowhere to draw, and its device
    // context may by now be another window's.
    if (!beginFrameOnWindow())
        return 1;
    ContextTurn turn{};
    if (!takeContext(turn)) {
        endFrameOnWindow();
        return windowGone() ? 1 : 0;
    }
    // A window that goes while the frame is drawn waits for the frame, but not for
    // ever: the frame looks again before each step that needs the window, and a
    // window going now ends it with the host.
    int result = 1;
    if (!windowGone()) {
        applyPendingViewSize();
        buildScene();
        renderFrame();
        if (!windowGone()) {
            SwapBuffers(displayContext.deviceContext);
            result = 0;
        }
    }
    giveBackContext(turn);
    endFrameOnWindow();
    return result;
}

int quitPlugin(VisModule* module)
{
    // A second quit, or one after a failed init, finds nothing to end.
    if (runState.exchange(RunState::over) != RunState::ready)
        return 0;
    return endRun(module);
}
