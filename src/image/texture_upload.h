#pragma once
// 2-D texture upload of RgbaImages, and the one counter all texture names come from.

#include "image/rgba_image.h"

// The name the next texture takes; every texture made anywhere adds 1.
extern int nextTextureName;
// Filtering and wrapping of the next 2-D upload: 0 nearest, 1 linear,
// 2 clamped linear, 3 clamped nearest (for one upload only, then 0).
extern int textureMode;

// The smallest power of two not below n; 0 for n <= 0 and for n above 2^30,
// where no such power fits an int.
int nextPowerOfTwo(int n);
// Uploads the image under a new name and leaves it bound to GL_TEXTURE_2D; sides
// that are not powers of two go through a padded copy. Returns the name, or 0
// (no texture made, no name taken) when the padded copy cannot be allocated.
int uploadTexture(RgbaImage* const& imageRef);
// Uploads the given rectangle of the image into the top-left corner of a
// transparent texture with power-of-two sides; same result as uploadTexture.
int uploadPaddedTexture(RgbaImage* const& imageRef, int srcX, int srcY, int srcWidth, int srcHeight);
