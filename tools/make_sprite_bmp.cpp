// Draws the sprite picture: a comet with a white-hot head high on the right, a
// curved golden dust tail and a straight blue ion tail streaming towards the
// lower left, and three sparks on one side, all over pure black so that the
// plug-in's key cuts the background away. Nothing about it is symmetric, so a
// sprite drawn flipped or mirrored shows at a glance.
//
// Writes an uncompressed 24-bit BMP with a 40-byte info header. The drawing uses
// only + - * / and sqrt on doubles (each exactly rounded), so the output is the
// same byte for byte wherever it is built.
//
// usage: make_sprite_bmp OUTPUT.bmp

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

constexpr int pictureSide = 128;

struct Colour {
    double r;
    double g;
    double b;
};

Colour operator*(double k, Colour c)
{
    return {k * c.r, k * c.g, k * c.b};
}

Colour operator+(Colour a, Colour b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Colour mix(Colour a, Colour b, double t)
{
    return (1.0 - t) * a + t * b;
}

double clamp01(double x)
{
    return std::clamp(x, 0.0, 1.0);
}

// A soft bump: 1 on the axis, falling off with the distance in widths.
double bump(double distance, double width)
{
    const double t = distance / width;
    const double d = 1.0 + t * t;
    return 1.0 / (d * d);
}

// Where the comet is and where its tails go, in pixels, y downwards.
constexpr double headX = 92.0;
constexpr double headY = 33.0;
constexpr double tailEndX = 8.0;
constexpr double tailEndY = 121.0;

constexpr Colour whiteHot{1.00, 0.98, 0.92};
constexpr Colour gold{1.00, 0.80, 0.35};
constexpr Colour ember{1.00, 0.42, 0.10};
constexpr Colour crimson{0.75, 0.10, 0.30};
constexpr Colour ionBlue{0.35, 0.65, 1.00};

Colour dustColour(double along)
{
    const double t = clamp01(along / 100.0);
    if (t < 0.25) {
        return mix(whiteHot, gold, t / 0.25);
    }
    if (t < 0.6) {
        return mix(gold, ember, (t - 0.25) / 0.35);
    }
    return mix(ember, crimson, (t - 0.6) / 0.4);
}

// A four-pointed spark whose vertical arm is longer than its horizontal one.
double spark(double x, double y, double cx, double cy, double size)
{
    const double dx = x - cx;
    const double dy = y - cy;
    const double vertical = bump(dx, 0.7) * bump(dy, 2.6 * size);
    const double horizontal = bump(dy, 0.7) * bump(dx, 1.6 * size);
    const double core = bump(std::sqrt(dx * dx + dy * dy), 0.9 * size);
    return std::max(vertical, horizontal) + 0.6 * core;
}

Colour shade(double x, double y)
{
    double ux = tailEndX - headX;
    double uy = tailEndY - headY;
    const double tailLength = std::sqrt(ux * ux + uy * uy);
    ux /= tailLength;
    uy /= tailLength;
    const double vx = x - headX;
    const double vy = y - headY;
    const double along = vx * ux + vy * uy;
    const double across = vx * uy - vy * ux;
    const double radius = std::sqrt(vx * vx + vy * vy);

    Colour sum{0.0, 0.0, 0.0};
    if (along > 0.0) {
        // The dust tail bends away to one side and widens as it fades.
        const double fade = clamp01(1.0 - along / (0.82 * tailLength));
        const double bend = 0.0019 * along * along;
        const double dust = fade * bump(across - bend, 1.8 + 0.13 * along);
        sum = sum + (1.7 * dust) * dustColour(along);
        // The ion tail stays straight and thin.
        const double ionFade = clamp01(1.0 - along / tailLength);
        const double ion = ionFade * bump(across + 0.05 * along, 0.9 + 0.03 * along);
        sum = sum + (0.9 * ion) * ionBlue;
    }
    // The head: a hard white core inside a wide golden halo, a little stretched
    // along the tail.
    const double stretched = std::sqrt(radius * radius - 0.35 * std::max(along, 0.0) * along);
    const double halo = bump(stretched, 7.0);
    sum = sum + (1.8 * bump(radius, 2.8)) * whiteHot + (0.9 * halo * halo) * gold;

    const double sparks = spark(x, y, 28.0, 24.0, 2.4) + spark(x, y, 114.0, 84.0, 1.7) +
                          spark(x, y, 60.0, 11.0, 1.2);
    sum = sum + (0.9 * sparks) * mix(whiteHot, ionBlue, 0.3);
    return sum;
}

std::uint8_t toByte(double value)
{
    return static_cast<std::uint8_t>(clamp01(value) * 255.0 + 0.5);
}

void putLe16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putLe32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

std::vector<std::uint8_t> drawBmp()
{
    constexpr std::uint32_t rowLength = (3 * pictureSide + 3) / 4 * 4;
    constexpr std::uint32_t pixelBytes = rowLength * pictureSide;
    constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch
    std::vector<std::uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    putLe32(out, 54 + pixelBytes);
    putLe32(out, 0);
    putLe32(out, 54);
    putLe32(out, 40);
    putLe32(out, pictureSide);
    putLe32(out, pictureSide);
    putLe16(out, 1);
    putLe16(out, 24);
    putLe32(out, 0);
    putLe32(out, pixelBytes);
    putLe32(out, pixelsPerMetre);
    putLe32(out, pixelsPerMetre);
    putLe32(out, 0);
    putLe32(out, 0);

    // Below this the picture is black, so that the key cuts its edge where the
    // glow has almost faded instead of leaving a dim opaque fringe.
    constexpr int blackBelow = 30;
    for (int row = pictureSide - 1; row >= 0; --row) {
        for (int column = 0; column < pictureSide; ++column) {
            const Colour c = shade(column + 0.5, row + 0.5);
            std::uint8_t r = toByte(c.r);
            std::uint8_t g = toByte(c.g);
            std::uint8_t b = toByte(c.b);
            if (r + g + b < blackBelow) {
                r = g = b = 0;
            }
            out.push_back(b);
            out.push_back(g);
            out.push_back(r);
        }
        for (std::uint32_t pad = 3 * pictureSide; pad < rowLength; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sprite_bmp OUTPUT.bmp\n");
        return 2;
    }
    const std::vector<std::uint8_t> bytes = drawBmp();
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_sprite_bmp: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
