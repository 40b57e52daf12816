// Uploading images into the real GL context and reading the textures back.

#include "gl_texture.h"
#include "heap_probe.h"
#include "image_helpers.h"

#include "image/texture_upload.h"

#include <winstub.h>

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace {

class TextureUploadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winstub::reset();
        winstub::makeGlContextCurrent(16, 16);
        nextTextureName = 1;
        textureMode = 1;
    }
    void TearDown() override { winstub::reset(); }
};

using Texel = std::array<int, 4>;

Texel texelOf(const TextureState& texture, int x, int y)
{
    const std::uint8_t* t = texture.texel(x, y);
    return {t[0], t[1], t[2], t[3]};
}

Texel pixelOf(const RgbaImage* image, int x, int y)
{
    const unsigned char* p = imagePixels(image) + (static_cast<std::size_t>(y) * image->width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The source rectangle in the top-left corner, transparent black everywhere else.
void expectPaddedCopy(const TextureState& texture, const RgbaImage* image, int srcX, int srcY,
                      int srcWidth, int srcHeight)
{
    for (int y = 0; y < texture.height; ++y) {
        for (int x = 0; x < texture.width; ++x) {
            const Texel expected =
                x < srcWidth && y < srcHeight ? pixelOf(image, srcX + x, srcY + y) : Texel{0, 0, 0, 0};
            ASSERT_EQ(texelOf(texture, x, y), expected) << "texel (" << x << ", " << y << ")";
        }
    }
}

TEST(NextPowerOfTwo, SmallestPowerNotBelow)
{
    const std::pair<int, int> cases[] = {{0, 0},      {1, 1},      {2, 2},         {3, 4},
                                         {4, 4},      {5, 8},      {480, 512},     {640, 1024},
                                         {-7, 0},     {INT_MIN, 0}, {1 << 30, 1 << 30},
                                         {(1 << 30) + 1, 0},        {INT_MAX, 0}};
    for (const auto& [n, power] : cases) {
        EXPECT_EQ(nextPowerOfTwo(n), power) << "n = " << n;
    }
}

struct PaddedSize {
    int width;
    int height;
    int textureWidth;
    int textureHeight;
};

void PrintTo(const PaddedSize& size, std::ostream* out)
{
    *out << size.width << " x " << size.height;
}

class PaddedUpload : public TextureUploadTest, public ::testing::WithParamInterface<PaddedSize> {};

TEST_P(PaddedUpload, ImageLandsTopLeftInTransparentPowerOfTwoTexture)
{
    const PaddedSize size = GetParam();
    const ImagePtr image = makePatternImage(size.width, size.height);

    heapProbe::start();
    const int name = uploadTexture(image.get());
    heapProbe::stop();

    EXPECT_EQ(name, 1);
    EXPECT_EQ(nextTextureName, 2);
    EXPECT_EQ(boundTexture2D(), 1u);
    ASSERT_EQ(heapProbe::allocations().size(), 1u);
    EXPECT_EQ(heapProbe::allocations()[0].size,
              static_cast<std::size_t>(size.textureWidth) * size.textureHeight * 4);
    EXPECT_TRUE(heapProbe::wasFreed(heapProbe::allocations()[0].block));
    const TextureState texture = readTexture(1);
    ASSERT_EQ(texture.width, size.textureWidth);
    ASSERT_EQ(texture.height, size.textureHeight);
    expectPaddedCopy(texture, image.get(), 0, 0, size.width, size.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PaddedUpload,
                         ::testing::Values(PaddedSize{100, 64, 128, 64}, PaddedSize{3, 5, 4, 8},
                                           PaddedSize{3, 1, 4, 1}, PaddedSize{64, 33, 64, 64}));

TEST_F(TextureUploadTest, PowerOfTwoImageIsUploadedWithoutACopy)
{
    const ImagePtr image = makePatternImage(256, 128);
    heapProbe::start();
    const int name = uploadTexture(image.get());
    heapProbe::stop();

    EXPECT_EQ(name, 1);
    EXPECT_TRUE(heapProbe::allocations().empty());
    const TextureState texture = readTexture(1);
    ASSERT_EQ(texture.width, 256);
    ASSERT_EQ(texture.height, 128);
    expectPaddedCopy(texture, image.get(), 0, 0, 256, 128);
}

TEST_F(TextureUploadTest, PaddedRectangleIsTakenFromInsideTheImage)
{
    const ImagePtr image = makePatternImage(10, 9);
    EXPECT_EQ(uploadPaddedTexture(image.get(), 2, 3, 5, 6), 1);
    const TextureState texture = readTexture(1);
    ASSERT_EQ(texture.width, 8);
    ASSERT_EQ(texture.height, 8);
    expectPaddedCopy(texture, image.get(), 2, 3, 5, 6);
}

TEST_F(TextureUploadTest, NamesAreCountedWithoutGaps)
{
    const ImagePtr square = makePatternImage(4, 4);
    const ImagePtr odd = makePatternImage(3, 5);
    EXPECT_EQ(uploadTexture(square.get()), 1);
    EXPECT_EQ(uploadTexture(odd.get()), 2);
    EXPECT_EQ(uploadPaddedTexture(square.get(), 1, 1, 2, 2), 3);
    EXPECT_EQ(nextTextureName, 4);
    EXPECT_EQ(readTexture(1).width, 4);
    EXPECT_EQ(readTexture(2).height, 8);
    EXPECT_EQ(readTexture(3).width, 2);
    EXPECT_FALSE(readTexture(4).exists);
}

TEST_F(TextureUploadTest, PaddedCopyThatCannotBeAllocatedMakesNoTexture)
{
    const ImagePtr image = makePatternImage(3, 3);
    textureMode = 3;
    heapProbe::start(1);
    const int name = uploadTexture(image.get());
    heapProbe::stop();

    EXPECT_EQ(name, 0);
    EXPECT_EQ(nextTextureName, 1) << "no name is taken";
    EXPECT_EQ(textureMode, 3) << "the one-upload mode is still unused";
    EXPECT_FALSE(readTexture(1).exists);
}

struct ModeCase {
    int mode;
    GLint wrap;
    GLint filter;
    int modeAfter;
};

void PrintTo(const ModeCase& mode, std::ostream* out)
{
    *out << "mode " << mode.mode;
}

class TextureModes : public TextureUploadTest,
                     public ::testing::WithParamInterface<std::tuple<ModeCase, int>> {};

TEST_P(TextureModes, WrapAndFilterFollowTheMode)
{
    const auto [mode, side] = GetParam();
    // A wrap the upload would never choose, set on the name beforehand: modes
    // that do not set the wrap leave it there.
    glBindTexture(GL_TEXTURE_2D, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    textureMode = mode.mode;

    const ImagePtr image = makePatternImage(side, side);
    ASSERT_EQ(uploadTexture(image.get()), 1);

    EXPECT_EQ(textureMode, mode.modeAfter);
    const TextureState texture = readTexture(1);
    EXPECT_EQ(texture.wrapS, mode.wrap);
    EXPECT_EQ(texture.wrapT, mode.wrap);
    EXPECT_EQ(texture.minFilter, mode.filter);
    EXPECT_EQ(texture.magFilter, mode.filter);
}

INSTANTIATE_TEST_SUITE_P(
    DirectAndPadded, TextureModes,
    ::testing::Combine(::testing::Values(ModeCase{0, GL_MIRRORED_REPEAT, GL_NEAREST, 0},
                                         ModeCase{1, GL_MIRRORED_REPEAT, GL_LINEAR, 1},
                                         ModeCase{2, GL_CLAMP, GL_LINEAR, 2},
                                         ModeCase{3, GL_CLAMP, GL_NEAREST, 0}),
                       ::testing::Values(4, 3)),
    [](const auto& test) {
        return "mode" + std::to_string(std::get<0>(test.param).mode) +
               (std::get<1>(test.param) == 4 ? "Direct" : "Padded");
    });

} // namespace
