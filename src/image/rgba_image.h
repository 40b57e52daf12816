#pragma once
// A decoded picture: one heap block holding the size and, right behind it, the
// pixels, R G B A per pixel, rows one after another without gaps, top row first.

struct RgbaImage {
    int width;
    int height;
};

// The pixels start right after the two fields; the block stays 4-byte aligned.
static_assert(sizeof(RgbaImage) == 8);

inline unsigned char* imagePixels(RgbaImage* image)
{
    return reinterpret_cast<unsigned char*>(image + 1);
}

inline const unsigned char* imagePixels(const RgbaImage* image)
{
    return reinterpret_cast<const unsigned char*>(image + 1);
}
