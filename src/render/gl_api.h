#pragma once
// OpenGL 1.1 as the system's opengl32 provides it, plus the one extension enum
// the trail and glow rely on.

#include <windows.h>

#include <GL/gl.h>

// GL_ARB_texture_rectangle: textures addressed in texels, any size.
constexpr GLenum glTextureRectangle = 0x84F5;
