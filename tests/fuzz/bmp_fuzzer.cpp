// libFuzzer target: any bytes through the picture reader's check, conversion and
// key, exactly as the plug-in runs them on what it read from the file. Besides
// the sanitizers' own findings it traps on a result that breaks the reader's
// promises.

#include "image/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // NOTE: the reader only ever gets whole copies of the file in a heap block of
    // exactly the file's length; copying keeps ASan's bounds just as tight.
    auto* bytes = static_cast<unsigned char*>(std::malloc(size == 0 ? 1 : size));
    if (bytes == nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = data[i];
    }
    if (bmpAccepted(bytes, static_cast<std::int64_t>(size))) {
        RgbaImage* image = convertBmpToRgba(bytes);
        if (image != nullptr) {
            if (image->width <= 0 || image->height <= 0 || image->width > bmpMaxSide ||
                image->height > bmpMaxSide) {
                __builtin_trap();
            }
            applyAlphaKey(image, 20);
            const unsigned char* pixel = imagePixels(image);
            const std::size_t count = static_cast<std::size_t>(image->width) * image->height;
            for (std::size_t i = 0; i < count; ++i, pixel += 4) {
                const bool transparent = pixel[0] + pixel[1] + pixel[2] < 20;
                if (pixel[3] != (transparent ? 0 : 255)) {
                    __builtin_trap();
                }
            }
            std::free(image);
        }
    }
    std::free(bytes);
    return 0;
}
