#pragma once
// The sprite picture that lies beside the DLL: found, read, keyed and uploaded
// as the texture every sprite is drawn with.

#include "image/rgba_image.h"

#include <windows.h>

constexpr const wchar_t* spriteFileName = L"vis_zel.bmp";
// Characters of spriteFileName, without its terminator.
constexpr DWORD spriteFileNameLength = 11;
constexpr int spriteKeyThreshold = 20;
// The module file name is asked for into a buffer of this many characters first,
// then into ever larger ones up to the longest name Windows gives a module.
constexpr DWORD firstModuleNameCapacity = 260;
constexpr DWORD longestModuleNameCapacity = 32768;

// The image being loaded; null once its texture is made, and after a load that failed.
extern RgbaImage* spriteImage;
// The texture made from the picture; 0 until a load succeeds.
extern int spriteTexture;

// 0 when the sprite texture is loaded; 1 after telling the user it failed.
int loadSpriteOrWarn();
// 1 when the sprite texture is loaded, else 0.
int loadSpriteImage();
// Turns the module file name in `path` (nameLength characters, as
// GetModuleFileNameW reported for a buffer of `capacity` characters) into the
// picture's path in the same directory; `path` holds spriteFileNameLength
// characters more than `capacity`, so the picture's name always fits. Only the
// backslash separates directories. 0 when there was no name or it was cut short.
int spritePathBesideModule(wchar_t* path, DWORD capacity, DWORD nameLength);
