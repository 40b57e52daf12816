// Every file of the committed malformed corpus is refused: by the reader's check
// on its bytes, and by the whole load, which then leaves nothing behind. The
// corpus (tests/fuzz/malformed, written by tests/fuzz/make_corpus.py) bends one
// rule per file; dimension tricks carry just the bytes a reader computing sizes
// in 32 bits would want.

#include "sprite_load_fixture.h"

#include "image/bmp_reader.h"

#include <fstream>
#include <iterator>

namespace {

const char* const malformedPictures[] = {
    // too short for the headers or the pixels
    "empty", "one-byte", "signature-only", "header-53-bytes", "headers-only", "missing-last-row",
    "missing-last-fill-byte", "sizes-claim-more-than-there-is",
    // the header fields the reader requires
    "signature-lowercase", "signature-ba", "signature-reversed", "info-header-12", "info-header-108",
    "info-header-124", "bits-32", "bits-16", "bits-8", "compression-rle8", "compression-rle4",
    "compression-bitfields", "clr-used", "clr-important",
    // dimensions
    "width-zero", "height-zero", "width-negative", "height-negative-top-down", "width-int-min",
    "height-int-min", "width-over-limit", "height-over-limit", "pixel-block-over-limit",
    "pixel-block-wraps-32-bits", "row-length-wraps-32-bits", "row-length-negative-as-int",
    "pixel-array-wraps-32-bits",
};

Bytes readCorpusFile(const std::string& name)
{
    const std::string path = sourcePath("tests/fuzz/malformed/" + name + ".bmp");
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "missing corpus file " << path;
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string testName(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name = info.param;
    std::erase(name, '-');
    return name;
}

class MalformedPicture : public ::testing::TestWithParam<const char*> {};

TEST_P(MalformedPicture, ReaderRefusesIt)
{
    const Bytes bytes = readCorpusFile(GetParam());
    EXPECT_EQ(bmpAccepted(bytes.data(), static_cast<std::int64_t>(bytes.size())), 0);
}

INSTANTIATE_TEST_SUITE_P(Corpus, MalformedPicture, ::testing::ValuesIn(malformedPictures), testName);

class MalformedPictureLoad : public SpriteLoadTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MalformedPictureLoad, LoadFailsAndLeavesNothingBehind)
{
    placePicture(readCorpusFile(GetParam()));
    textureMode = 5;  // loadSpriteOrWarn must take the setting, whatever was here
    const int result = loadSpriteOrWarn();
    expectCleanFailure(result, 0, 1);
    EXPECT_EQ(winstub::callCount("_wopen"), 1);
    EXPECT_EQ(winstub::callCount("_close"), 1);
}

INSTANTIATE_TEST_SUITE_P(Corpus, MalformedPictureLoad, ::testing::ValuesIn(malformedPictures), testName);

TEST_F(SpriteLoadTest, FileThatShrinksAfterOpeningIsRefused)
{
    // The length is taken at open; the read then delivers fewer bytes than that,
    // though what it delivers is a whole picture of a smaller height.
    const Bytes tall = makeBmp(4, 4);
    placePicture(tall);
    ASSERT_EQ(openImageFile(winstub::utf16FromUtf8(windowsPath(picturePath())).c_str()), 1);
    ASSERT_EQ(imageFileLength, static_cast<int>(tall.size()));
    Bytes shorter(tall.begin(), tall.end() - 12);
    putU32(shorter, bmpField::biHeight, 3);
    placePicture(shorter);

    EXPECT_EQ(readImageFile(0, 0), nullptr);
    const auto reads = winstub::callsNamed("_read");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].ints[1], imageFileLength) << "asked for the whole file";
    closeImageFile();
    EXPECT_EQ(imageFileBuffer, nullptr);
    EXPECT_EQ(winstub::openFileCount(), 0);
}

TEST_F(SpriteLoadTest, ReadFromAnOffsetStillAsksForTheWholeLength)
{
    Bytes shifted{0x00};
    const Bytes picture = makeBmp(4, 4);
    shifted.insert(shifted.end(), picture.begin(), picture.end());
    placePicture(shifted);
    ASSERT_EQ(openImageFile(winstub::utf16FromUtf8(windowsPath(picturePath())).c_str()), 1);
    EXPECT_EQ(readImageFile(1, 0), nullptr) << "one byte short of the file's length";
    RgbaImage* image = readImageFile(1, static_cast<int>(picture.size()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 4);
    std::free(image);
}

TEST_F(SpriteLoadTest, ReadWithoutAnOpenFileReturnsNothing)
{
    EXPECT_EQ(readImageFile(0, 0), nullptr);
    EXPECT_EQ(winstub::callCount("_read"), 0);
}

} // namespace
