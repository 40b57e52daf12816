#pragma once
// The frame's queue of sprites and how one sprite is drawn.

struct SpriteQuad {
    float x;
    float y;
    float z;
    float angleX;
    float angleY;
    float angleZ;
    float halfWidth;
    float halfHeight;
    int blendSource;  // -1: no blend set-up
    int blendDest;    // -1: blendSource for both
    int alphaFunc;    // -1: no alpha test
    int noDepthWrite;
    unsigned int frontTexture;
    int backTexture;  // -1: keep the front texture for the back face
    SpriteQuad* next;
};

extern SpriteQuad* spriteList;
// Grey level every pass restores as the current colour when it ends.
extern float drawIntensity;

void queueSprite(const SpriteQuad& sprite);
void drawSprite(const SpriteQuad& sprite);
void drawSpriteList(SpriteQuad* node, int freeAfter);
