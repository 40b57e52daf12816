#include "render/frame.h"

#include "host/settings.h"
#include "render/gl_api.h"
#include "render/glow.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "render/view.h"
#include "render/view_capture.h"

#include <cmath>

int feedbackTexture = -1;

namespace {

int feedbackStorageWidth = 0;
int feedbackStorageHeight = 0;

constexpr float extraPassGrey = 0.04f;

} // namespace

void renderFrame()
{
    // Trail and glow are copies of the view in rectangle textures; a driver without
    // them would draw their quads untextured, a white sheet over the sprites.
    const bool glow = rectangleTextures && pluginSettings.glowEnabled;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawIntensity = 1.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    if (glow) {
        drawSpriteList(spriteList, 0);
        captureGlow();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    if (rectangleTextures) {
        // The trail lies behind everything and writes no depth.
        glDisable(GL_DEPTH_TEST);
        drawFeedback();
        glEnable(GL_DEPTH_TEST);
    }

    drawSpriteList(spriteList, 1);
    spriteList = nullptr;

    // Captured before the glow, so the glow never feeds back into the trail.
    if (rectangleTextures)
        captureFeedback();
    if (glow)
        drawGlow();
}

void drawFeedback()
{
    if (feedbackTexture == -1)
        return;

    // State this pass changes; the end of the pass puts each back.
    beginOverlay();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glDisable(GL_TEXTURE_2D);
    glEnable(glTextureRectangle);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(feedbackTexture));

    const unsigned int t = frameTimeMs;
    auto brightness = static_cast<float>(1 + std::sin(static_cast<double>(t) * 0.0001f));
    if (brightness < 1.0f)
        brightness = 1.0f;
    const float zoom = pluginSettings.feedbackZoom;
    const float inset = pluginSettings.feedbackPulse
        ? static_cast<float>(std::sin(static_cast<double>(t) * 0.001f) * zoom + 2 * zoom)
        : zoom;
    const float insetX = scaleToViewX(inset);
    const float insetY =
        scaleToViewY(static_cast<float>(viewHeight) / static_cast<float>(viewWidth) * inset);

    const int passes = pluginSettings.feedbackExtraPass ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        glColor4f(brightness, brightness, brightness, 1.0f);
        glBegin(GL_QUADS);
        emitInsetQuad(insetX, insetY);
        glEnd();
        brightness = extraPassGrey;
    }

    glDisable(glTextureRectangle);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    endOverlay();
    glColor4f(drawIntensity, drawIntensity, drawIntensity, 1.0f);
}

void captureFeedback()
{
    captureView(feedbackTexture, feedbackStorageWidth, feedbackStorageHeight);
}
