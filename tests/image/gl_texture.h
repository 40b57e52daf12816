#pragma once
// Reads a 2-D texture back from the current GL context: its size, texels and
// sampling parameters.

#include "render/gl_api.h"

#include <cstdint>
#include <vector>

struct TextureState {
    bool exists;
    int width;
    int height;
    std::vector<std::uint8_t> rgba;  // row 0 first, 4 bytes per texel
    GLint wrapS;
    GLint wrapT;
    GLint minFilter;
    GLint magFilter;

    const std::uint8_t* texel(int x, int y) const { return &rgba[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Binds the texture to GL_TEXTURE_2D to read it.
TextureState readTexture(GLuint name);

// The name bound to GL_TEXTURE_2D now.
GLuint boundTexture2D();
