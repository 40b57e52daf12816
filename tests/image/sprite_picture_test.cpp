// The picture that ships beside the DLL: its generator still draws it byte for
// byte, and it makes a good sprite (power-of-two, keyed background, plainly
// lopsided so a flipped sprite shows).

#include "bmp_bytes.h"
#include "image_helpers.h"

#include "image/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

Bytes readWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << path;
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const std::string committedPicture = sourcePath("assets/vis_zel.bmp");

TEST(SpritePicture, GeneratorReproducesTheCommittedFile)
{
    const TempDir dir;
    const std::string drawn = dir.path() + "/drawn.bmp";
    const std::string command = std::string(MAKE_SPRITE_BMP) + " " + drawn;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const Bytes fresh = readWholeFile(drawn);
    const Bytes committed = readWholeFile(committedPicture);
    ASSERT_EQ(fresh.size(), committed.size());
    EXPECT_TRUE(fresh == committed) << "assets/vis_zel.bmp is not what tools/make_sprite_bmp draws";
}

class CommittedSprite : public ::testing::Test {
protected:
    void SetUp() override
    {
        const Bytes bytes = readWholeFile(committedPicture);
        ASSERT_EQ(bmpAccepted(bytes.data(), static_cast<std::int64_t>(bytes.size())), 1);
        image.reset(convertBmpToRgba(bytes.data()));
        ASSERT_NE(image, nullptr);
        applyAlphaKey(image.get(), 20);
    }

    bool opaque(int x, int y) const
    {
        return imagePixels(image.get())[(static_cast<std::size_t>(y) * image->width + x) * 4 + 3] != 0;
    }

    // Pixels whose opacity differs from that of the pixel `other` maps them to.
    template <typename Map>
    int mismatches(Map other) const
    {
        int count = 0;
        for (int y = 0; y < image->height; ++y) {
            for (int x = 0; x < image->width; ++x) {
                const auto [ox, oy] = other(x, y);
                count += opaque(x, y) != opaque(ox, oy);
            }
        }
        return count;
    }

    ImagePtr image;
};

TEST_F(CommittedSprite, IsAPowerOfTwoSquareWithItsBackgroundKeyedOut)
{
    EXPECT_EQ(image->width, 128);
    EXPECT_EQ(image->height, 128);
    int opaqueCount = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            opaqueCount += opaque(x, y);
            if (x == 0 || y == 0 || x == 127 || y == 127) {
                ASSERT_FALSE(opaque(x, y)) << "edge pixel (" << x << ", " << y << ") is not keyed out";
            }
        }
    }
    EXPECT_GT(opaqueCount, 128 * 128 / 10) << "too little left to see";
    EXPECT_LT(opaqueCount, 128 * 128 / 2) << "too little background keyed out";
}

TEST_F(CommittedSprite, FlippedOrTurnedItLooksPlainlyDifferent)
{
    const int n = 127;
    const int mirrored = mismatches([n](int x, int y) { return std::pair{n - x, y}; });
    const int flipped = mismatches([n](int x, int y) { return std::pair{x, n - y}; });
    const int turned = mismatches([n](int x, int y) { return std::pair{n - x, n - y}; });
    const int transposed = mismatches([](int x, int y) { return std::pair{y, x}; });
    for (const int differing : {mirrored, flipped, turned, transposed}) {
        EXPECT_GT(differing, 128 * 128 / 20);
    }
}

} // namespace
