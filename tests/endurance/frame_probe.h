#pragma once
// What the long-running tests read back from GL and from the process while the
// plug-in runs: pending GL errors, the trail and glow textures, resident memory.

#include "render/gl_api.h"

#include <cstddef>
#include <string>
#include <vector>

// Every error GL has pending, as "0x0502 0x0501"; empty when there is none.
// Reading them clears them.
std::string pendingGlErrors();

struct RgbPixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // bottom row first, as GL stores it
};

// The storage of a rectangle texture of the current context, read back whole.
// The binding of the rectangle target is put back afterwards.
RgbPixels rectangleTexture(int name);
// Its size only, without reading the texels back.
RgbPixels rectangleTextureSize(int name);

// Sum of all colour bytes: a measure of how much light an image holds.
long long lightIn(const std::vector<unsigned char>& rgb);
// Pixels with any channel above `threshold`.
int litPixels(const std::vector<unsigned char>& rgb, int threshold = 16);

// Resident set size of this process in bytes, from /proc/self/statm.
std::size_t residentBytes();
