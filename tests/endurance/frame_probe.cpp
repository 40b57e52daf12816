#include "frame_probe.h"

#include <cstdio>
#include <fstream>
#include <numeric>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr GLenum textureBindingRectangle = 0x84F6;

} // namespace

std::string pendingGlErrors()
{
    std::string errors;
    // NOTE: a context that is lost keeps answering with an error; stop after a few.
    for (int read = 0; read < 16; ++read) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR)
            break;
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", error);
        errors += errors.empty() ? code : std::string(" ") + code;
    }
    return errors;
}

RgbPixels rectangleTextureSize(int name)
{
    GLint bound = 0;
    glGetIntegerv(textureBindingRectangle, &bound);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(name));
    RgbPixels pixels;
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_WIDTH, &pixels.width);
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_HEIGHT, &pixels.height);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(bound));
    return pixels;
}

RgbPixels rectangleTexture(int name)
{
    RgbPixels pixels = rectangleTextureSize(name);
    GLint bound = 0;
    glGetIntegerv(textureBindingRectangle, &bound);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(name));
    pixels.rgb.resize(static_cast<std::size_t>(pixels.width) * pixels.height * 3);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(glTextureRectangle, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glBindTexture(glTextureRectangle, static_cast<GLuint>(bound));
    return pixels;
}

long long lightIn(const std::vector<unsigned char>& rgb)
{
    return std::accumulate(rgb.begin(), rgb.end(), 0LL);
}

int litPixels(const std::vector<unsigned char>& rgb, int threshold)
{
    int lit = 0;
    for (std::size_t at = 0; at + 2 < rgb.size(); at += 3) {
        if (rgb[at] > threshold || rgb[at + 1] > threshold || rgb[at + 2] > threshold)
            ++lit;
    }
    return lit;
}

std::size_t residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    std::size_t totalPages = 0;
    std::size_t residentPages = 0;
    if (!(statm >> totalPages >> residentPages))
        throw std::runtime_error("cannot read /proc/self/statm");
    return residentPages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}
