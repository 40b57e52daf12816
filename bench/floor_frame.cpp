#include "floor_frame.h"

#include "render/gl_api.h"

namespace {

constexpr int glowLayers = 30;

unsigned int makeViewTexture(int width, int height)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(glTextureRectangle, name);
    glTexImage2D(glTextureRectangle, 0, GL_RGB, width, height, 0, GL_RGB, GL_FLOAT, nullptr);
    glTexParameteri(glTextureRectangle, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(glTextureRectangle, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(glTextureRectangle, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(glTextureRectangle, GL_TEXTURE_WRAP_T, GL_CLAMP);
    return name;
}

// The quad that stretches the texels from (insetX, insetY) to the far insets over
// the whole window, with the copy's bottom row at t = 0.
void insetQuad(const FloorFrame& floor, float insetX, float insetY)
{
    const auto width = static_cast<float>(floor.width);
    const auto height = static_cast<float>(floor.height);
    glTexCoord2f(insetX, height - insetY);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(insetX, insetY);
    glVertex2f(0.0f, height);
    glTexCoord2f(width - insetX, insetY);
    glVertex2f(width, height);
    glTexCoord2f(width - insetX, height - insetY);
    glVertex2f(width, 0.0f);
}

void copyView(const FloorFrame& floor, unsigned int texture)
{
    glBindTexture(glTextureRectangle, texture);
    glCopyTexSubImage2D(glTextureRectangle, 0, 0, 0, 0, 0, floor.width, floor.height);
}

// The insets of the first layer, as the plug-in scales them from a 640 x 480 view.
float firstInsetX(const FloorFrame& floor)
{
    return static_cast<float>(floor.width) / 640.0f * 10.0f;
}

float insetStepY(const FloorFrame& floor)
{
    return static_cast<float>(floor.height) / static_cast<float>(floor.width) * 10.0f;
}

float firstInsetY(const FloorFrame& floor)
{
    return static_cast<float>(floor.height) / 480.0f * insetStepY(floor);
}

void drawTrailQuad(const FloorFrame& floor)
{
    glBindTexture(glTextureRectangle, floor.trailTexture);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    insetQuad(floor, firstInsetX(floor), firstInsetY(floor));
    glEnd();
}

void drawGlowLayers(const FloorFrame& floor)
{
    glBindTexture(glTextureRectangle, floor.glowTexture);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    float insetX = firstInsetX(floor);
    float insetY = firstInsetY(floor);
    const float stepY = insetStepY(floor);
    float alpha = 0.2f;
    glBegin(GL_QUADS);
    for (int layer = 0; layer < glowLayers; ++layer) {
        glColor4f(0.6f, 0.4f, 0.6f, alpha);
        insetQuad(floor, insetX, insetY);
        insetX += 10.0f;
        insetY += stepY;
        alpha -= 0.006666667f;
    }
    glEnd();
}

} // namespace

FloorFrame makeFloorFrame(int width, int height)
{
    const FloorFrame floor{.width = width,
                           .height = height,
                           .glowTexture = makeViewTexture(width, height),
                           .trailTexture = makeViewTexture(width, height)};
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(glTextureRectangle);
    glEnable(GL_BLEND);
    return floor;
}

void drawFloorPass(const FloorFrame& floor, FloorPass pass)
{
    switch (pass) {
    case FloorPass::clear:
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        break;
    case FloorPass::glowCopy:
        copyView(floor, floor.glowTexture);
        break;
    case FloorPass::trailQuad:
        drawTrailQuad(floor);
        break;
    case FloorPass::trailCopy:
        copyView(floor, floor.trailTexture);
        break;
    case FloorPass::glowLayers:
        drawGlowLayers(floor);
        break;
    }
}

void drawFloorFrame(const FloorFrame& floor)
{
    for (const FloorPass pass : floorPasses)
        drawFloorPass(floor, pass);
}
