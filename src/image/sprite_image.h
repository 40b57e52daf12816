#pragma once
// Finding, reading and keying the sprite picture that lies beside the DLL.

#include "image/rgba_image.h"

constexpr const char* spriteFileName = "vis_zel.bmp";
constexpr int spriteKeyThreshold = 20;

extern int imageFileHandle;
extern int imageFileLength;
extern unsigned char* imageFileBuffer;
extern RgbaImage* spriteImage;
extern int spriteTexture;

int loadSpriteOrWarn();
int loadSpriteImage();
int openImageFile(const char* path);
RgbaImage* readImageFile(int offset, int length);
RgbaImage* convertBmpToRgba(const unsigned char* bytes);
void applyAlphaKey(RgbaImage* image, int threshold);
void closeImageFile();
