// The whole sprite load as init runs it: the picture beside the DLL read through
// the C runtime stand-in, keyed, and uploaded into the real GL context.

#include "gl_texture.h"
#include "heap_probe.h"
#include "sprite_load_fixture.h"

#include <cstdint>

namespace {

// Dark pixels on the left edge, bright ones elsewhere, so the key shows.
Rgb halfKeyed(int x, int y)
{
    if (x == 0) {
        return {static_cast<std::uint8_t>(y % 7), 6, 6};  // sums 12 to 18
    }
    return patternPixel(x + 40, y);
}

void expectKeyedTexture(const TextureState& texture, int width, int height)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = halfKeyed(x, y);
            const std::uint8_t* t = texture.texel(x, y);
            ASSERT_EQ((std::array<int, 4>{t[0], t[1], t[2], t[3]}),
                      (std::array<int, 4>{c.r, c.g, c.b, x == 0 ? 0 : 255}))
                << "texel (" << x << ", " << y << ")";
        }
    }
}

TEST_F(SpriteLoadTest, SmoothSettingGivesAClampedLinearTextureAndModeOneAfter)
{
    placePicture(makeBmp(16, 8, halfKeyed));
    EXPECT_EQ(loadSpriteOrWarn(), 0);

    EXPECT_TRUE(winstub::messageBoxes().empty());
    ASSERT_EQ(winstub::openedPaths().size(), 1u);
    EXPECT_EQ(winstub::openedPaths()[0], windowsPath(picturePath()));
    EXPECT_EQ(winstub::openFileCount(), 0);
    EXPECT_EQ(imageFileBuffer, nullptr);
    EXPECT_EQ(spriteTexture, 1);
    EXPECT_EQ(nextTextureName, 2);
    EXPECT_EQ(textureMode, 1);
    EXPECT_EQ(boundTexture2D(), 1u);

    const TextureState texture = readTexture(1);
    ASSERT_TRUE(texture.exists);
    EXPECT_EQ(texture.width, 16);
    EXPECT_EQ(texture.height, 8);
    EXPECT_EQ(texture.wrapS, GL_CLAMP);
    EXPECT_EQ(texture.wrapT, GL_CLAMP);
    EXPECT_EQ(texture.minFilter, GL_LINEAR);
    EXPECT_EQ(texture.magFilter, GL_LINEAR);
    expectKeyedTexture(texture, 16, 8);
}

TEST_F(SpriteLoadTest, SharpSettingGivesAClampedNearestTextureAndModeZeroAfter)
{
    pluginSettings.smoothImage = 0;
    placePicture(makeBmp(16, 8, halfKeyed));
    EXPECT_EQ(loadSpriteOrWarn(), 0);

    EXPECT_EQ(textureMode, 0);
    const TextureState texture = readTexture(static_cast<GLuint>(spriteTexture));
    ASSERT_TRUE(texture.exists);
    EXPECT_EQ(texture.wrapS, GL_CLAMP);
    EXPECT_EQ(texture.wrapT, GL_CLAMP);
    EXPECT_EQ(texture.minFilter, GL_NEAREST);
    EXPECT_EQ(texture.magFilter, GL_NEAREST);
}

TEST_F(SpriteLoadTest, PictureOfAnySizeIsPaddedIntoPowerOfTwoTexture)
{
    placePicture(makeBmp(5, 3, halfKeyed));
    EXPECT_EQ(loadSpriteOrWarn(), 0);

    const TextureState texture = readTexture(1);
    ASSERT_EQ(texture.width, 8);
    ASSERT_EQ(texture.height, 4);
    expectKeyedTexture(texture, 5, 3);
    EXPECT_EQ(texture.texel(5, 0)[3], 0);
    EXPECT_EQ(texture.texel(0, 3)[3], 0);
}

TEST_F(SpriteLoadTest, MissingPictureOpensNothingAndAllocatesNothing)
{
    heapProbe::start();
    const int result = loadSpriteOrWarn();
    heapProbe::stop();

    expectCleanFailure(result, 0, 1);
    EXPECT_EQ(winstub::openedPaths().size(), 1u);
    EXPECT_TRUE(heapProbe::allocations().empty()) << heapProbe::allocations().size() << " allocations";
}

TEST_F(SpriteLoadTest, EachInitLoadsAfreshUnderANewName)
{
    placePicture(makeBmp(4, 4, halfKeyed));
    ASSERT_EQ(loadSpriteOrWarn(), 0);
    ASSERT_EQ(loadSpriteOrWarn(), 0);

    EXPECT_EQ(spriteTexture, 2);
    EXPECT_EQ(nextTextureName, 3);
    EXPECT_TRUE(readTexture(1).exists) << "earlier textures are never deleted";
}

TEST_F(SpriteLoadTest, RejectedPictureAfterAGoodOneKeepsTheEarlierTexture)
{
    placePicture(makeBmp(4, 4, halfKeyed));
    ASSERT_EQ(loadSpriteOrWarn(), 0);
    Bytes bad = makeBmp(4, 4, halfKeyed);
    putU16(bad, bmpField::biBitCount, 32);
    placePicture(bad);

    const int result = loadSpriteOrWarn();

    expectCleanFailure(result, 1, 2);
    EXPECT_TRUE(readTexture(1).exists);
}

// The file buffer, the image and (for a picture whose sides are not powers of
// two) the padded copy: whichever of them cannot be had, the load fails cleanly.
class SpriteLoadAllocation : public SpriteLoadTest, public ::testing::WithParamInterface<int> {};

TEST_P(SpriteLoadAllocation, FailedAllocationFailsTheLoadAndFreesTheRest)
{
    const Bytes picture = makeBmp(100, 64, halfKeyed);
    placePicture(picture);
    const std::size_t expectedSizes[] = {picture.size(), sizeof(RgbaImage) + 100 * 64 * 4, 128 * 64 * 4};
    const int failAt = GetParam();

    heapProbe::start(failAt);
    const int result = loadSpriteOrWarn();
    heapProbe::stop();

    const auto& allocations = heapProbe::allocations();
    ASSERT_EQ(allocations.size(), static_cast<std::size_t>(failAt));
    for (int i = 0; i < failAt; ++i) {
        EXPECT_EQ(allocations[i].size, expectedSizes[i]) << "allocation " << i + 1;
    }
    for (int i = 0; i + 1 < failAt; ++i) {
        EXPECT_TRUE(heapProbe::wasFreed(allocations[i].block)) << "allocation " << i + 1 << " leaked";
    }
    expectCleanFailure(result, 0, 1);
    EXPECT_FALSE(readTexture(1).exists);
}

INSTANTIATE_TEST_SUITE_P(FileBufferImageAndPaddedCopy, SpriteLoadAllocation, ::testing::Values(1, 2, 3));

// The media player frees the DLL after every run but not what it took from the
// heap: a load keeps nothing there, the image included, once the texture is made.
TEST_F(SpriteLoadTest, SuccessfulLoadKeepsNothingOnTheHeap)
{
    const Bytes picture = makeBmp(100, 64, halfKeyed);
    placePicture(picture);

    heapProbe::start();
    ASSERT_EQ(loadSpriteOrWarn(), 0);
    heapProbe::stop();

    const auto& allocations = heapProbe::allocations();
    ASSERT_EQ(allocations.size(), 3u);
    EXPECT_TRUE(heapProbe::wasFreed(allocations[0].block)) << "file buffer";
    EXPECT_TRUE(heapProbe::wasFreed(allocations[1].block)) << "image";
    EXPECT_TRUE(heapProbe::wasFreed(allocations[2].block)) << "padded copy";
    EXPECT_EQ(spriteImage, nullptr);
    expectKeyedTexture(readTexture(1), 100, 64);
}

} // namespace
