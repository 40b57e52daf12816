// The picture reader on bytes crafted in memory: which files it takes, how it
// lays their pixels out, and how the key cuts the background away.

#include "bmp_bytes.h"
#include "image_helpers.h"

#include "image/bmp_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <cstdint>
#include <string>

namespace {

ImagePtr decode(const Bytes& bytes)
{
    if (!bmpAccepted(bytes.data(), static_cast<std::int64_t>(bytes.size()))) {
        return nullptr;
    }
    return ImagePtr(convertBmpToRgba(bytes.data()));
}

// Output pixel (x, y) as R, G, B, A.
std::array<int, 4> pixelAt(const RgbaImage* image, int x, int y)
{
    const unsigned char* p = imagePixels(image) + (static_cast<std::size_t>(y) * image->width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(BmpConversion, FirstOutputRowIsTheLastStoredRowWithChannelsReordered)
{
    // Stored bottom-up: the file's first row is the picture's bottom row.
    const Bytes bytes = makeBmp(2, 2, [](int x, int y) {
        const Rgb colours[2][2] = {{{10, 20, 30}, {40, 50, 60}}, {{70, 80, 90}, {100, 110, 120}}};
        return colours[y][x];
    });
    ASSERT_EQ(bytes[54], 90) << "the crafted file stores B first, bottom row first";

    const ImagePtr image = decode(bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    using Px = std::array<int, 4>;
    EXPECT_EQ(pixelAt(image.get(), 0, 0), (Px{10, 20, 30, 255}));
    EXPECT_EQ(pixelAt(image.get(), 1, 0), (Px{40, 50, 60, 255}));
    EXPECT_EQ(pixelAt(image.get(), 0, 1), (Px{70, 80, 90, 255}));
    EXPECT_EQ(pixelAt(image.get(), 1, 1), (Px{100, 110, 120, 255}));
}

struct PictureSize {
    int width;
    int height;
};

void PrintTo(const PictureSize& size, std::ostream* out)
{
    *out << size.width << " x " << size.height;
}

class BmpRowPadding : public ::testing::TestWithParam<PictureSize> {};

TEST_P(BmpRowPadding, EveryPixelLandsWhereItBelongs)
{
    const auto [width, height] = GetParam();
    const ImagePtr image = decode(makeBmp(width, height, patternPixel, 0xEE));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->width, width);
    ASSERT_EQ(image->height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = patternPixel(x, y);
            ASSERT_EQ(pixelAt(image.get(), x, y), (std::array<int, 4>{c.r, c.g, c.b, 255}))
                << "pixel (" << x << ", " << y << ") of " << width << " x " << height;
        }
    }
}

// Widths 1 to 8 cover every row padding (3, 2, 1 and 0 fill bytes) twice.
INSTANTIATE_TEST_SUITE_P(EveryWidthModuloFour, BmpRowPadding,
                         ::testing::Values(PictureSize{1, 1}, PictureSize{2, 3}, PictureSize{3, 4},
                                           PictureSize{4, 2}, PictureSize{5, 3}, PictureSize{6, 1},
                                           PictureSize{7, 5}, PictureSize{8, 3}, PictureSize{33, 7}));

struct KeyCase {
    Rgb colour;
    int alpha;
};

void PrintTo(const KeyCase& key, std::ostream* out)
{
    *out << "(" << int{key.colour.r} << ", " << int{key.colour.g} << ", " << int{key.colour.b}
         << ") keyed to alpha " << key.alpha;
}

class BmpAlphaKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(BmpAlphaKey, ChannelSumBelowTwentyBecomesTransparent)
{
    const KeyCase key = GetParam();
    const ImagePtr image = decode(makeBmp(1, 1, [&](int, int) { return key.colour; }));
    ASSERT_NE(image, nullptr);
    applyAlphaKey(image.get(), 20);
    const auto pixel = pixelAt(image.get(), 0, 0);
    EXPECT_EQ(pixel[3], key.alpha) << "colour " << int{key.colour.r} << ", " << int{key.colour.g}
                                   << ", " << int{key.colour.b};
    EXPECT_EQ(pixel[0], key.colour.r) << "the key changes only alpha";
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheThreshold, BmpAlphaKey,
    ::testing::Values(KeyCase{{6, 6, 7}, 0}, KeyCase{{6, 7, 7}, 255}, KeyCase{{0, 0, 0}, 0},
                      KeyCase{{255, 255, 255}, 255}, KeyCase{{19, 0, 0}, 0}, KeyCase{{0, 0, 20}, 255},
                      KeyCase{{0, 19, 0}, 0}, KeyCase{{255, 0, 0}, 255}));

TEST(BmpAlphaKey, WritesEveryAlphaEvenOverAnEarlierKey)
{
    const ImagePtr image = decode(makeBmp(3, 2, [](int x, int) {
        return x == 1 ? Rgb{0, 0, 5} : Rgb{200, 0, 0};
    }));
    ASSERT_NE(image, nullptr);
    applyAlphaKey(image.get(), 20);
    applyAlphaKey(image.get(), 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(pixelAt(image.get(), x, y)[3], 255) << "threshold 0 keeps nothing out, at " << x;
        }
    }
    applyAlphaKey(image.get(), 20);
    EXPECT_EQ(pixelAt(image.get(), 1, 1)[3], 0);
    EXPECT_EQ(pixelAt(image.get(), 2, 1)[3], 255);
}

// Fields the reader must not consult: bending them changes nothing.
struct IgnoredField {
    std::string name;
    void (*bend)(Bytes&);
};

void PrintTo(const IgnoredField& field, std::ostream* out)
{
    *out << field.name;
}

class BmpIgnoredFields : public ::testing::TestWithParam<IgnoredField> {};

TEST_P(BmpIgnoredFields, PictureReadsTheSame)
{
    const Bytes plain = makeBmp(5, 3);
    Bytes bent = plain;
    GetParam().bend(bent);
    const ImagePtr expected = decode(plain);
    const ImagePtr image = decode(bent);
    ASSERT_NE(expected, nullptr);
    ASSERT_NE(image, nullptr) << "rejected after bending " << GetParam().name;
    ASSERT_EQ(image->width, 5);
    ASSERT_EQ(image->height, 3);
    EXPECT_EQ(0, std::memcmp(imagePixels(image.get()), imagePixels(expected.get()), 5 * 3 * 4));
}

INSTANTIATE_TEST_SUITE_P(
    FileHeaderAndSizes, BmpIgnoredFields,
    ::testing::Values(
        IgnoredField{"bfSizeHuge", [](Bytes& b) { putU32(b, bmpField::bfSize, 0xFFFFFFFF); }},
        IgnoredField{"bfSizeZero", [](Bytes& b) { putU32(b, bmpField::bfSize, 0); }},
        IgnoredField{"biSizeImageHuge", [](Bytes& b) { putU32(b, bmpField::biSizeImage, 0xFFFFFFFF); }},
        IgnoredField{"biSizeImageSmall", [](Bytes& b) { putU32(b, bmpField::biSizeImage, 3); }},
        IgnoredField{"bfOffBitsZero", [](Bytes& b) { putU32(b, bmpField::bfOffBits, 0); }},
        IgnoredField{"bfOffBitsPastTheEnd", [](Bytes& b) { putU32(b, bmpField::bfOffBits, 0xFFFFFFF0); }},
        IgnoredField{"bfOffBitsInsideThePixels", [](Bytes& b) { putU32(b, bmpField::bfOffBits, 60); }},
        IgnoredField{"biPlanesZero", [](Bytes& b) { putU16(b, bmpField::biPlanes, 0); }},
        IgnoredField{"resolution", [](Bytes& b) { putU32(b, bmpField::biXPelsPerMeter, 0x80000000); }},
        IgnoredField{"trailingBytes", [](Bytes& b) { b.resize(b.size() + 1000, 0x5A); }}),
    [](const auto& test) { return test.param.name; });

// Files that are refused although the whole pixel block is there: their sizes
// are beyond what the reader allocates.
struct OversizedCase {
    std::string name;
    int width;
    int height;
    bool accepted;
};

void PrintTo(const OversizedCase& size, std::ostream* out)
{
    *out << size.width << " x " << size.height << (size.accepted ? " accepted" : " refused");
}

class BmpSizeLimits : public ::testing::TestWithParam<OversizedCase> {};

TEST_P(BmpSizeLimits, LargestPicturesAreAcceptedAndOneMoreIsNot)
{
    const OversizedCase limits = GetParam();
    Bytes bytes = makeBmpHeader(limits.width, limits.height);
    bytes.resize(54 + static_cast<std::size_t>(bmpRowLength(limits.width)) * limits.height, 0x40);
    EXPECT_EQ(bmpAccepted(bytes.data(), static_cast<std::int64_t>(bytes.size())), limits.accepted ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    SidesAndPixelBlock, BmpSizeLimits,
    ::testing::Values(OversizedCase{"widest", 16384, 1, true}, OversizedCase{"tooWide", 16385, 1, false},
                      OversizedCase{"tallest", 1, 16384, true}, OversizedCase{"tooTall", 1, 16385, false},
                      OversizedCase{"largestBlock", 4096, 4096, true},
                      OversizedCase{"blockOver64MiB", 4096, 4097, false}),
    [](const auto& test) { return test.param.name; });

TEST(BmpSizeLimits, LargestPixelBlockConverts)
{
    Bytes bytes = makeBmpHeader(16384, 1024);
    bytes.resize(54 + static_cast<std::size_t>(bmpRowLength(16384)) * 1024, 0x40);
    bytes[bytes.size() - 3] = 0x11;  // blue of the top row's last pixel
    const ImagePtr image = decode(bytes);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixelAt(image.get(), 16383, 0), (std::array<int, 4>{0x40, 0x40, 0x11, 255}));
    EXPECT_EQ(pixelAt(image.get(), 0, 1023), (std::array<int, 4>{0x40, 0x40, 0x40, 255}));
}

TEST(BmpTruncation, EveryRowMustBeThereIncludingTheLastFill)
{
    // 5 wide: 15 pixel bytes and 1 fill byte per row.
    const Bytes whole = makeBmp(5, 3);
    ASSERT_EQ(whole.size(), 54u + 16 * 3);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        EXPECT_EQ(bmpAccepted(whole.data(), static_cast<std::int64_t>(length)), 0)
            << "accepted " << length << " of " << whole.size() << " bytes";
    }
    EXPECT_EQ(bmpAccepted(whole.data(), static_cast<std::int64_t>(whole.size())), 1);
}

} // namespace
