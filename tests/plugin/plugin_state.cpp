#include "plugin_state.h"

#include "display/display.h"
#include "display/window_gone.h"
#include "host/plugin.h"
#include "host/settings.h"
#include "image/image_file.h"
#include "image/sprite_image.h"
#include "image/texture_upload.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "render/view.h"
#include "render/view_capture.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Taken during static initialisation, before any test ran: every global below
// is constant-initialised, so these are the values the loaded DLL starts with.
struct LoadTimeState {
    VisHeader header = visHeader;
    VisModule module = visModule;
    VisModule* hostModule = ::hostModule;
    RunState runState = ::runState;
    PluginSettings settings = pluginSettings;
    DisplayContext display = displayContext;
    int viewWidth = ::viewWidth;
    int viewHeight = ::viewHeight;
    bool viewSizePending = ::viewSizePending;
    bool rectangleTextures = ::rectangleTextures;
    int imageFileHandle = ::imageFileHandle;
    int imageFileLength = ::imageFileLength;
    int spriteTexture = ::spriteTexture;
    int nextTextureName = ::nextTextureName;
    int textureMode = ::textureMode;
    int feedbackTexture = ::feedbackTexture;
    int glowTexture = ::glowTexture;
    unsigned int frameTimeMs = ::frameTimeMs;
    float drawIntensity = ::drawIntensity;
};

const LoadTimeState loadTime;

void freeSpriteQueue()
{
    while (spriteList != nullptr) {
        SpriteQuad* next = spriteList->next;
        std::free(spriteList);
        spriteList = next;
    }
}

} // namespace

void restorePluginLoadState()
{
    freeSpriteQueue();
    closeImageFile();
    std::free(spriteImage);
    spriteImage = nullptr;

    visHeader = loadTime.header;
    visModule = loadTime.module;
    hostModule = loadTime.hostModule;
    runState = loadTime.runState;
    pluginSettings = loadTime.settings;
    displayContext = loadTime.display;
    windowComing(); // as loaded: no window has gone
    viewWidth = loadTime.viewWidth;
    viewHeight = loadTime.viewHeight;
    viewSizePending = loadTime.viewSizePending;
    rectangleTextures = loadTime.rectangleTextures;
    imageFileHandle = loadTime.imageFileHandle;
    imageFileLength = loadTime.imageFileLength;
    spriteTexture = loadTime.spriteTexture;
    nextTextureName = loadTime.nextTextureName;
    textureMode = loadTime.textureMode;
    feedbackTexture = loadTime.feedbackTexture;
    glowTexture = loadTime.glowTexture;
    frameTimeMs = loadTime.frameTimeMs;
    drawIntensity = loadTime.drawIntensity;
    std::ranges::fill(spriteAngle, 0.0f);
    // The plug-in never seeds the generator: it starts as if seeded with 1.
    std::srand(1);
}
