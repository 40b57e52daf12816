#pragma once
// Looking at frames read back from the stand-in: colours, lit areas, resampling,
// where a point of the sprites' plane lands on screen, and saving frames to look at.

#include <winstub.h>

#include <string>

struct Rgb {
    int r;
    int g;
    int b;
};

Rgb pixelAt(const winstub::Image& image, int x, int y);

// The colours of the test picture, and what a frame shows where no sprite is.
enum class Hue { black, red, green, blue, yellow, other };
Hue hueOf(Rgb colour);
const char* hueName(Hue hue);

// The smallest rectangle holding every pixel with a channel above `threshold`;
// empty (right < left) when there is none. Edges are inclusive pixel indices.
struct PixelBox {
    int left;
    int top;
    int right;
    int bottom;
    bool empty() const { return right < left; }
};
PixelBox litBox(const winstub::Image& image, int threshold = 100);
int litPixelCount(const winstub::Image& image, int threshold = 100);

// The image at a fractional pixel position (pixel centres at integers), filtered
// bilinearly as GL_LINEAR does, clamped at the edges.
Rgb sampleBilinear(const winstub::Image& image, double x, double y);

// Where a point (x, y) of the plane at depth 13 in front of the viewer lands in a
// view of that size under the 45-degree perspective: window pixels, origin at the
// top-left corner, y growing downwards.
struct ScreenPoint {
    double x;
    double y;
};
ScreenPoint projectAtSpriteDepth(double x, double y, int viewWidth, int viewHeight);

// Writes the image as <name>.png into the folder named by ZELVIS_RENDER_FRAMES, when
// that variable is set; frames are for a person to look at, not for the checks.
void saveFrameIfAsked(const std::string& name, const winstub::Image& image);
