#pragma once
// 2-D texture upload of RgbaImages, and the one counter all texture names come from.

#include "image/rgba_image.h"

extern int nextTextureName;
// Filtering and wrapping of the next 2-D upload: 0 nearest, 1 linear,
// 2 clamped linear, 3 clamped nearest (for one upload only, then 0).
extern int textureMode;

int nextPowerOfTwo(int n);
int uploadTexture(RgbaImage* const& imageRef);
int uploadPaddedTexture(RgbaImage* const& imageRef, int srcX, int srcY, int srcWidth, int srcHeight);
