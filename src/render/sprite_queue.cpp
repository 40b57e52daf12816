#include "render/sprite_queue.h"

#include "render/gl_api.h"

#include <cstdlib>

SpriteQuad* spriteList = nullptr;
float drawIntensity = 1.0f;

namespace {

constexpr int noSetting = -1;
// The picture is modulated by a grey a shade under white: the look the sprites
// were tuned with.
constexpr float spriteGrey = 0.99f;

struct QuadCorner {
    float s, t, x, y;
};

void emitQuad(const SpriteQuad& sprite)
{
    const float w = sprite.halfWidth;
    const float h = sprite.halfHeight;
    const QuadCorner corners[] = {
        {1.0f, 1.0f, -w, -h},
        {1.0f, 0.0f, -w, +h},
        {0.0f, 0.0f, +w, +h},
        {0.0f, 1.0f, +w, -h},
    };
    glBegin(GL_QUADS);
    for (const QuadCorner& corner : corners) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.x, corner.y, 0.0f);
    }
    glEnd();
}

} // namespace

void queueSprite(const SpriteQuad& sprite)
{
    SpriteQuad** link = &spriteList;
    while (*link)
        link = &(*link)->next;
    auto* node = static_cast<SpriteQuad*>(std::malloc(sizeof(SpriteQuad)));
    // A sprite that cannot be had is left out of the frame; the queue stays whole.
    if (!node)
        return;
    *node = sprite;
    node->next = nullptr;
    *link = node;
}

void drawSprite(const SpriteQuad& sprite)
{
    glLoadIdentity();
    glTranslatef(sprite.x, sprite.y, sprite.z);
    glRotatef(sprite.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(sprite.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(sprite.angleZ, 0.0f, 0.0f, 1.0f);

    if (sprite.noDepthWrite)
        glDepthMask(GL_FALSE);
    if (sprite.blendSource != noSetting) {
        const int dest = sprite.blendDest == noSetting ? sprite.blendSource : sprite.blendDest;
        glBlendFunc(static_cast<GLenum>(sprite.blendSource), static_cast<GLenum>(dest));
        glEnable(GL_BLEND);
    }
    if (sprite.alphaFunc != noSetting) {
        glAlphaFunc(static_cast<GLenum>(sprite.alphaFunc), 0.0f);
        glEnable(GL_ALPHA_TEST);
    }
    // NOTE: the quad itself is always drawn opaque; the blend function chosen above
    // is only left behind as state.
    glDisable(GL_BLEND);
    glColor4f(spriteGrey, spriteGrey, spriteGrey, 1.0f);

    // The corners run clockwise seen from the quad's +z side, so exactly one of the
    // two culled passes draws it, with the texture meant for the side in view.
    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, sprite.frontTexture);
    glCullFace(GL_BACK);
    emitQuad(sprite);
    if (sprite.backTexture != noSetting)
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(sprite.backTexture));
    glCullFace(GL_FRONT);
    emitQuad(sprite);
    glDisable(GL_CULL_FACE);

    glColor4f(drawIntensity, drawIntensity, drawIntensity, 1.0f);
    if (sprite.blendSource != noSetting)
        glDisable(GL_BLEND);
    if (sprite.alphaFunc != noSetting)
        glDisable(GL_ALPHA_TEST);
    if (sprite.noDepthWrite)
        glDepthMask(GL_TRUE);
}

void drawSpriteList(SpriteQuad* node, int freeAfter)
{
    // Newest first: where two sprites meet at one depth, the one queued later wins.
    if (!node)
        return;
    drawSpriteList(node->next, freeAfter);
    drawSprite(*node);
    if (freeAfter)
        std::free(node);
}
