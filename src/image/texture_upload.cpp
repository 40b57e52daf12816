#include "image/texture_upload.h"

#include "render/gl_api.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

int nextTextureName = 1;
int textureMode = 1;

namespace {

constexpr GLint rgbaComponents = 4;

// Ends every upload: wrapping and filtering as textureMode asks, mode 3 once only.
void applyTextureMode()
{
    if (textureMode >= 2) {
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_CLAMP));
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_CLAMP));
    }
    GLenum filter = GL_LINEAR;
    if (textureMode == 3) {
        textureMode = 0;
        filter = GL_NEAREST;
    } else if (textureMode == 0) {
        filter = GL_NEAREST;
    }
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(filter));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(filter));
}

} // namespace

int nextPowerOfTwo(int n)
{
    constexpr int largestPower = 1 << 30;
    if (n <= 0 || n > largestPower) {
        return 0;
    }
    int power = 1;
    while (power < n) {
        power <<= 1;
    }
    return power;
}

int uploadTexture(RgbaImage* const& imageRef)
{
    const RgbaImage* image = imageRef;
    const int name = nextTextureName;
    if (nextPowerOfTwo(image->width) != image->width ||
        nextPowerOfTwo(image->height) != image->height) {
        return uploadPaddedTexture(imageRef, 0, 0, image->width, image->height);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glTexImage2D(GL_TEXTURE_2D, 0, rgbaComponents, image->width, image->height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, imagePixels(image));
    applyTextureMode();
    nextTextureName = name + 1;
    return name;
}

int uploadPaddedTexture(RgbaImage* const& imageRef, int srcX, int srcY, int srcWidth, int srcHeight)
{
    const RgbaImage* image = imageRef;
    const int name = nextTextureName;
    const int paddedWidth = nextPowerOfTwo(srcWidth);
    const int paddedHeight = nextPowerOfTwo(srcHeight);
    const std::uint64_t paddedBytes = std::uint64_t{4} * static_cast<std::uint64_t>(paddedWidth) *
                                      static_cast<std::uint64_t>(paddedHeight);
    // NOTE: sides up to 2^30 can ask for more than a 32-bit size_t holds.
    if (paddedBytes != static_cast<std::size_t>(paddedBytes)) {
        return 0;
    }
    auto* padded = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(paddedBytes)));
    if (padded == nullptr) {
        return 0;
    }
    const unsigned char* source = imagePixels(image);
    unsigned char* out = padded;
    for (int row = 0; row < paddedHeight; ++row) {
        for (int column = 0; column < paddedWidth; ++column, out += 4) {
            if (column < srcWidth && row < srcHeight) {
                const unsigned char* in =
                    source + (static_cast<std::size_t>(srcY + row) * image->width + srcX + column) * 4;
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = in[3];
            } else {
                out[0] = out[1] = out[2] = out[3] = 0;
            }
        }
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(name));
    glTexImage2D(GL_TEXTURE_2D, 0, rgbaComponents, paddedWidth, paddedHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, padded);
    applyTextureMode();
    std::free(padded);
    nextTextureName = name + 1;
    return name;
}
