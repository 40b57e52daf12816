#pragma once
// The sprite picture that lies beside the DLL: found, read, keyed and uploaded
// as the texture every sprite is drawn with.

#include "image/rgba_image.h"

#include <windows.h>

constexpr const char* spriteFileName = "vis_zel.bmp";
constexpr int spriteKeyThreshold = 20;
// The path buffer the module file name is read into and the picture's path built in.
constexpr int spritePathCapacity = 260;

// The image being loaded; null once its texture is made, and after a load that failed.
extern RgbaImage* spriteImage;
// The texture made from the picture; 0 until a load succeeds.
extern int spriteTexture;

// 0 when the sprite texture is loaded; 1 after telling the user it failed.
int loadSpriteOrWarn();
// 1 when the sprite texture is loaded, else 0.
int loadSpriteImage();
// Turns the module file name in `path` (nameLength characters, as
// GetModuleFileNameA reported) into the picture's path in the same directory.
// Only the backslash separates directories. 0 when the name was not had whole or
// the result would not fit.
int spritePathBesideModule(char (&path)[spritePathCapacity], DWORD nameLength);
