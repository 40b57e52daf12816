// A window dragged, minimised and maximised between frames: a storm of WM_SIZE
// messages of every size, after which the frame must fit the final size.

#include "endurance_fixture.h"
#include "render/frame.h"
#include "render/glow.h"
#include "render/view.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int resizeCount = 1000;
// At least 600 pixels wide: in a narrower view the last glow layers cross over
// and sample texels beyond the view, which after a shrink still hold an older,
// larger frame, so a frame there depends faintly on the sizes that came before.
constexpr int finalWidth = 600;
constexpr int finalHeight = 200;
constexpr DWORD settledTickMs = 5000;
// Frames at one size and one time, enough for the trail to forget what came
// before: each frame magnifies it by 600/581.25 about the centre.
constexpr int settleFrames = 200;

struct Size {
    int width;
    int height;
};

// Mostly window-sized changes, with the sizes a system sends at the extremes:
// minimised (0 x 0), a sliver (1 x 1) and, twice only since llvmpipe fills it
// slowly, a huge 4096 x 4096.
std::vector<Size> stormSizes(std::mt19937& random)
{
    std::uniform_int_distribution<int> width(1, 400);
    std::uniform_int_distribution<int> height(1, 300);
    std::vector<Size> sizes;
    for (int i = 0; i < resizeCount; ++i)
        sizes.push_back({width(random), height(random)});
    sizes[100] = {0, 0};
    sizes[101] = {0, 0};
    sizes[200] = {1, 1};
    sizes[300] = {4096, 4096};
    sizes[301] = {0, 0};
    sizes[600] = {1, 300};
    sizes[601] = {400, 1};
    sizes[700] = {4096, 4096};
    sizes[701] = {1, 1};
    return sizes;
}

std::array<GLint, 4> viewport()
{
    std::array<GLint, 4> box{};
    glGetIntegerv(GL_VIEWPORT, box.data());
    return box;
}

// Width over height of the perspective in force: for a frustum the projection
// matrix holds near/right at [0] and near/top at [5].
double projectionAspect()
{
    std::array<GLdouble, 16> projection{};
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    return projection[5] / projection[0];
}

// Pixels whose channels differ by more than `tolerance` between two frames.
int differingPixels(const winstub::Image& a, const winstub::Image& b, int tolerance)
{
    int differing = 0;
    for (std::size_t at = 0; at + 2 < a.rgb.size(); at += 3) {
        for (std::size_t c = 0; c < 3; ++c) {
            if (std::abs(a.rgb[at + c] - b.rgb[at + c]) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return differing;
}

class ResizeStormTest : public EnduranceTest {
protected:
    // Frames at the final size and a fixed time, with a fixed loud spectrum.
    winstub::Image settle()
    {
        winstub::resizeWindow(displayContext.window, finalWidth, finalHeight);
        winstub::setTickCount(settledTickMs);
        fillSpectrum(20);
        for (int frame = 0; frame < settleFrames; ++frame)
            renderPlugin(module);
        return winstub::readFramebuffer();
    }
};

TEST_F(ResizeStormTest, FrameAfterAThousandResizesFitsTheFinalSize)
{
    startSmallRun();
    const std::vector<Size> sizes = stormSizes(random);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const Size size = sizes[i];
        winstub::resizeWindow(displayContext.window, size.width, size.height);
        ASSERT_EQ(viewWidth, std::max(size.width, 1)) << "resize " << i;
        ASSERT_EQ(viewHeight, std::max(size.height, 1)) << "resize " << i;
        fillSpectrumRandomly();
        winstub::setTickCount(static_cast<DWORD>(i) * 16);
        renderPlugin(module);
        ASSERT_EQ(pendingGlErrors(), "") << "frame after resize " << i << " to " << size.width
                                         << " x " << size.height;
        if (i % 100 == 0)
            winstub::clearCalls();
    }

    const winstub::Image afterStorm = settle();
    EXPECT_EQ(pendingGlErrors(), "");
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, finalWidth, finalHeight}));
    EXPECT_NEAR(projectionAspect(), double{finalWidth} / finalHeight, 1e-5);
    for (const auto& [name, texture] : {std::pair{"trail", feedbackTexture},
                                        std::pair{"glow", glowTexture}}) {
        const RgbPixels storage = rectangleTextureSize(texture);
        EXPECT_GE(storage.width, finalWidth) << "the " << name << " texture is narrower than the view";
        EXPECT_GE(storage.height, finalHeight) << "the " << name << " texture is lower than the view";
    }
    ASSERT_EQ(afterStorm.width, finalWidth);
    ASSERT_EQ(afterStorm.height, finalHeight);
    EXPECT_GT(litPixels(afterStorm.rgb), finalWidth * finalHeight / 2)
        << "the settled frame is mostly dark";

    // What a run that never saw the storm draws at that size, time and music.
    quitPlugin(module);
    startSmallRun();
    const winstub::Image calm = settle();
    EXPECT_EQ(differingPixels(afterStorm, calm, 2), 0)
        << "pixels (of " << finalWidth * finalHeight << ") differ from a run without the storm";
}

} // namespace
