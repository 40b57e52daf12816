#include "frame_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

// The one translation unit of the tests that carries the PNG encoder.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

Rgb pixelAt(const winstub::Image& image, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
    return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

Hue hueOf(Rgb colour)
{
    const auto high = [](int channel) { return channel >= 150; };
    const auto low = [](int channel) { return channel <= 70; };
    if (colour.r <= 16 && colour.g <= 16 && colour.b <= 16)
        return Hue::black;
    if (high(colour.r) && low(colour.g) && low(colour.b))
        return Hue::red;
    if (low(colour.r) && high(colour.g) && low(colour.b))
        return Hue::green;
    if (low(colour.r) && low(colour.g) && high(colour.b))
        return Hue::blue;
    if (high(colour.r) && high(colour.g) && low(colour.b))
        return Hue::yellow;
    return Hue::other;
}

const char* hueName(Hue hue)
{
    switch (hue) {
    case Hue::black: return "black";
    case Hue::red: return "red";
    case Hue::green: return "green";
    case Hue::blue: return "blue";
    case Hue::yellow: return "yellow";
    case Hue::other: break;
    }
    return "other";
}

namespace {

bool lit(const winstub::Image& image, int x, int y, int threshold)
{
    const Rgb colour = pixelAt(image, x, y);
    return std::max({colour.r, colour.g, colour.b}) > threshold;
}

} // namespace

PixelBox litBox(const winstub::Image& image, int threshold)
{
    PixelBox box{image.width, image.height, -1, -1};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!lit(image, x, y, threshold))
                continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

int litPixelCount(const winstub::Image& image, int threshold)
{
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            count += lit(image, x, y, threshold) ? 1 : 0;
    }
    return count;
}

Rgb sampleBilinear(const winstub::Image& image, double x, double y)
{
    x = std::clamp(x, 0.0, image.width - 1.0);
    y = std::clamp(y, 0.0, image.height - 1.0);
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const int x1 = std::min(x0 + 1, image.width - 1);
    const int y1 = std::min(y0 + 1, image.height - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    const Rgb a = pixelAt(image, x0, y0);
    const Rgb b = pixelAt(image, x1, y0);
    const Rgb c = pixelAt(image, x0, y1);
    const Rgb d = pixelAt(image, x1, y1);
    const auto mix = [&](int pa, int pb, int pc, int pd) {
        const double top = pa + (pb - pa) * fx;
        const double bottom = pc + (pd - pc) * fx;
        return static_cast<int>(std::lround(top + (bottom - top) * fy));
    };
    return {mix(a.r, b.r, c.r, d.r), mix(a.g, b.g, c.g, d.g), mix(a.b, b.b, c.b, d.b)};
}

ScreenPoint projectAtSpriteDepth(double x, double y, int viewWidth, int viewHeight)
{
    const double halfHeight = 13.0 * std::tan(std::numbers::pi / 8);
    const double halfWidth = halfHeight * viewWidth / viewHeight;
    return {(1.0 + x / halfWidth) / 2.0 * viewWidth, (1.0 - y / halfHeight) / 2.0 * viewHeight};
}

void saveFrameIfAsked(const std::string& name, const winstub::Image& image)
{
    const char* folder = std::getenv("ZELVIS_RENDER_FRAMES");
    if (folder == nullptr || *folder == '\0')
        return;
    std::filesystem::create_directories(folder);
    const std::string path = (std::filesystem::path(folder) / (name + ".png")).string();
    stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(),
                   image.width * 3);
}
