#include "render/glow.h"

#include "render/gl_api.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "render/view.h"
#include "render/view_capture.h"

int glowTexture = -1;

namespace {

int glowStorageWidth = 0;
int glowStorageHeight = 0;

constexpr int glowLayers = 30;
constexpr float firstLayerAlpha = 0.2f;
constexpr float alphaStep = 0.006666667f;
constexpr float insetStep = 10.0f;

} // namespace

void captureGlow()
{
    captureView(glowTexture, glowStorageWidth, glowStorageHeight);
}

void drawGlow()
{
    float alpha = firstLayerAlpha;
    const float e0 = spectrumEnergy(0);
    const float e1 = spectrumEnergy(1);
    const float stepY = static_cast<float>(viewHeight) / static_cast<float>(viewWidth) * insetStep;
    float insetX = scaleToViewX(insetStep);
    float insetY = scaleToViewY(stepY);

    // State this pass changes; the end of the pass puts each back.
    glDisable(GL_TEXTURE_2D);
    glEnable(glTextureRectangle);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(glowTexture));
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    beginOverlay();

    glBegin(GL_QUADS);
    for (int layer = 0; layer < glowLayers; ++layer) {
        glColor4f(e0, e1, e0, alpha);
        emitInsetQuad(insetX, insetY);
        insetX += insetStep;
        insetY += stepY;
        alpha -= alphaStep;
    }
    glEnd();

    endOverlay();
    glEnable(GL_DEPTH_TEST);
    glDisable(glTextureRectangle);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4f(drawIntensity, drawIntensity, drawIntensity, 1.0f);
}
