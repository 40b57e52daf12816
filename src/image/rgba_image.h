#pragma once
// A decoded picture: one heap block holding the size and, right behind it, the
// pixels, R G B A per pixel, top row first.

struct RgbaImage {
    int width;
    int height;
    unsigned char pixels[];
};
