// The one translation unit that carries the PNG encoder.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
