#include "render_fixture.h"

#include "render/gl_api.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

std::vector<unsigned char> quadrantPictureBmp()
{
    constexpr int side = quadrantPictureSide;
    constexpr int hole = side / 4;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(side) * side * 3, 0);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool inHole = std::abs(2 * x + 1 - side) < hole && std::abs(2 * y + 1 - side) < hole;
            if (inHole)
                continue;
            const bool right = x >= side / 2;
            const bool bottom = y >= side / 2;
            const std::size_t at = (static_cast<std::size_t>(y) * side + x) * 3;
            // red, green, blue, yellow
            const unsigned char r = (!right && !bottom) || (right && bottom) ? 224 : 32;
            const unsigned char g = right ? 224 : 32;
            const unsigned char b = !right && bottom ? 224 : 32;
            rgb[at] = r;
            rgb[at + 1] = g;
            rgb[at + 2] = b;
        }
    }
    return makeBmp(side, side, rgb);
}

int integerState(unsigned int which)
{
    GLint value = 0;
    glGetIntegerv(which, &value);
    return value;
}

winstub::Image readRectangleTexture(unsigned int name)
{
    if (!glIsTexture(name))
        return {};
    glBindTexture(glTextureRectangle, name);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0)
        return {};
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<unsigned char> bottomUp(rowBytes * static_cast<std::size_t>(height));
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(glTextureRectangle, 0, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    winstub::Image image{width, height, std::vector<unsigned char>(bottomUp.size())};
    for (int row = 0; row < height; ++row) {
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>(rowBytes) * row, rowBytes,
                    image.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes) * (height - 1 - row));
    }
    return image;
}

int trailMismatches(const winstub::Image& before, const winstub::Image& after, double insetX,
                    double insetY, int tolerance, std::string& firstMismatch)
{
    const double scaleX = (after.width - 2 * insetX) / after.width;
    const double scaleY = (after.height - 2 * insetY) / after.height;
    int mismatches = 0;
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            const Rgb seen = pixelAt(after, x, y);
            const Rgb expected =
                sampleBilinear(before, insetX + (x + 0.5) * scaleX - 0.5, insetY + (y + 0.5) * scaleY - 0.5);
            const bool near = std::abs(seen.r - expected.r) <= tolerance &&
                              std::abs(seen.g - expected.g) <= tolerance &&
                              std::abs(seen.b - expected.b) <= tolerance;
            if (near)
                continue;
            if (mismatches++ == 0) {
                firstMismatch = "at (" + std::to_string(x) + ", " + std::to_string(y) + "): saw (" +
                                std::to_string(seen.r) + ", " + std::to_string(seen.g) + ", " +
                                std::to_string(seen.b) + "), expected (" + std::to_string(expected.r) +
                                ", " + std::to_string(expected.g) + ", " + std::to_string(expected.b) + ")";
            }
        }
    }
    return mismatches;
}

void RenderTest::SetUp()
{
    PluginTest::SetUp();
    const std::vector<unsigned char> bmp = quadrantPictureBmp();
    std::ofstream file(sprites.path() / "vis_zel.bmp", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    if (!file)
        throw std::runtime_error("cannot write the quadrant picture");
}

void RenderTest::TearDown()
{
    glCallLog::stop();
    PluginTest::TearDown();
}

bool RenderTest::startPlugin()
{
    winstub::keepPresentedImages();
    if (initPlugin(module) != 0) {
        ADD_FAILURE() << "init failed";
        return false;
    }
    module->channels = 2;
    return true;
}

bool RenderTest::restartPlugin()
{
    PluginTest::SetUp();
    return startPlugin();
}

winstub::Image RenderTest::renderAt(DWORD tickMs)
{
    winstub::setTickCount(tickMs);
    EXPECT_EQ(renderPlugin(module), 0);
    if (winstub::presentedImages().empty()) {
        ADD_FAILURE() << "nothing was presented";
        return {};
    }
    return winstub::presentedImages().back();
}

void RenderTest::setLoudness(int channel, unsigned char level)
{
    auto& row = module->spectrumData[channel];
    std::fill(std::begin(row), std::end(row), 0);
    std::fill_n(std::begin(row), energyBins, level);
}

SpriteQuad sceneLikeSprite(float x, float y, float halfSize, unsigned int texture)
{
    return SpriteQuad{.x = x,
                      .y = y,
                      .z = -13.0f,
                      .angleX = 0.0f,
                      .angleY = 0.0f,
                      .angleZ = 180.0f,
                      .halfWidth = halfSize,
                      .halfHeight = halfSize,
                      .blendSource = GL_ONE_MINUS_SRC_COLOR,
                      .blendDest = GL_ONE_MINUS_DST_COLOR,
                      .alphaFunc = GL_GREATER,
                      .noDepthWrite = 0,
                      .frontTexture = texture,
                      .backTexture = -1,
                      .next = nullptr};
}
