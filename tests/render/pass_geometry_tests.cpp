// The full-window passes call by call: the trail's inset quad with its
// brightness, pulse and extra pass, and the glow's 30 layers in one quad batch,
// each bracketed by the pixel overlay and followed by the state they put back.

#include "render_fixture.h"

#include "display/display.h"
#include "render/frame.h"
#include "render/gl_api.h"
#include "render/glow.h"
#include "render/scene.h"

#include <cmath>
#include <string>

namespace {

using glCallLog::describeAll;
using glCallLog::GlCall;

std::vector<GlCall> beginOverlayCalls(int width, int height)
{
    return {{"glMatrixMode", {GL_PROJECTION}}, {"glPushMatrix", {}}, {"glLoadIdentity", {}},
            {"glOrtho", {0, static_cast<double>(width), static_cast<double>(height), 0, -1, 1}},
            {"glMatrixMode", {GL_MODELVIEW}}, {"glPushMatrix", {}}, {"glLoadIdentity", {}}};
}

std::vector<GlCall> endOverlayCalls()
{
    return {{"glMatrixMode", {GL_PROJECTION}}, {"glPopMatrix", {}}, {"glMatrixMode", {GL_MODELVIEW}},
            {"glPopMatrix", {}}};
}

void append(std::vector<GlCall>& calls, const std::vector<GlCall>& more)
{
    calls.insert(calls.end(), more.begin(), more.end());
}

// The inset quad's corners: texels from the bottom-left-based copy, vertices in
// the overlay's top-left-based pixels.
void appendInsetQuad(std::vector<GlCall>& calls, int width, int height, float insetX, float insetY)
{
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    calls.push_back({"glTexCoord2f", {insetX, h - insetY}});
    calls.push_back({"glVertex2f", {0, 0}});
    calls.push_back({"glTexCoord2f", {insetX, insetY}});
    calls.push_back({"glVertex2f", {0, h}});
    calls.push_back({"glTexCoord2f", {w - insetX, insetY}});
    calls.push_back({"glVertex2f", {w, h}});
    calls.push_back({"glTexCoord2f", {w - insetX, h - insetY}});
    calls.push_back({"glVertex2f", {w, 0}});
}

class PassGeometryTest : public RenderTest {
protected:
    // The plug-in started at that view size, with one frame drawn so that the
    // trail and glow textures exist.
    [[nodiscard]] bool startAt(int width, int height)
    {
        if (!startPlugin())
            return false;
        if (width != 640 || height != 480)
            winstub::resizeWindow(displayContext.window, width, height);
        renderAt(0);
        return true;
    }
};

struct TrailQuadCase {
    const char* name;
    int width;
    int height;
    float zoom;
    int pulse;
    int extraPass;
    unsigned int tickMs;
    float insetX;   // what the view's scaling makes of the inset at this tick
    float insetY;
    float brightness;
};

void PrintTo(const TrailQuadCase& quad, std::ostream* out)
{
    *out << quad.name;
}

float pulsedInset(unsigned int tickMs, float zoom)
{
    return static_cast<float>(std::sin(tickMs * static_cast<double>(0.001f)) * zoom + 2 * zoom);
}

// A length of the 480-high reference view in pixels of a view that high.
float scaledY(int viewHeight, float y)
{
    return static_cast<float>(viewHeight) * (1.0f / 480.0f) * y;
}

float brightnessAt(unsigned int tickMs)
{
    return static_cast<float>(1 + std::sin(tickMs * static_cast<double>(0.0001f)));
}

class TrailQuad : public PassGeometryTest, public ::testing::WithParamInterface<TrailQuadCase> {};

TEST_P(TrailQuad, IsDrawnBrightenedOverTheWholeView)
{
    const TrailQuadCase& quad = GetParam();
    ASSERT_TRUE(startAt(quad.width, quad.height));
    pluginSettings.feedbackZoom = quad.zoom;
    pluginSettings.feedbackPulse = quad.pulse;
    pluginSettings.feedbackExtraPass = quad.extraPass;
    frameTimeMs = quad.tickMs;

    glCallLog::start();
    drawFeedback();
    glCallLog::stop();

    std::vector<GlCall> expected = beginOverlayCalls(quad.width, quad.height);
    append(expected, {{"glEnable", {GL_BLEND}},
                      {"glBlendFunc", {GL_ONE, GL_ONE_MINUS_SRC_COLOR}},
                      {"glDisable", {GL_TEXTURE_2D}},
                      {"glEnable", {glTextureRectangle}},
                      {"glBindTexture", {glTextureRectangle, static_cast<double>(feedbackTexture)}}});
    float brightness = quad.brightness;
    for (int pass = 0; pass < (quad.extraPass ? 2 : 1); ++pass) {
        expected.push_back({"glColor4f", {brightness, brightness, brightness, 1}});
        expected.push_back({"glBegin", {GL_QUADS}});
        appendInsetQuad(expected, quad.width, quad.height, quad.insetX, quad.insetY);
        expected.push_back({"glEnd", {}});
        brightness = 0.04f;
    }
    append(expected, {{"glDisable", {glTextureRectangle}},
                      {"glEnable", {GL_TEXTURE_2D}},
                      {"glDisable", {GL_BLEND}}});
    append(expected, endOverlayCalls());
    expected.push_back({"glColor4f", {1, 1, 1, 1}});
    EXPECT_EQ(describeAll(glCallLog::calls()), describeAll(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, TrailQuad,
    ::testing::Values(
        // Texels 10 to 630 across and 7.5 to 472.5 down; sin(0.1) brightens.
        TrailQuadCase{"Default", 640, 480, 10.0f, 0, 0, 1000, 10.0f, 7.5f, brightnessAt(1000)},
        // sin(4.0) < 0: the brightness is held at 1.
        TrailQuadCase{"DarkHalfOfTheCycle", 640, 480, 10.0f, 0, 0, 40000, 10.0f, 7.5f, 1.0f},
        TrailQuadCase{"Pulse", 640, 480, 10.0f, 1, 0, 1234, pulsedInset(1234, 10.0f),
                      0.75f * pulsedInset(1234, 10.0f), brightnessAt(1234)},
        TrailQuadCase{"PulseAtAHighTick", 640, 480, 10.0f, 1, 0, 4000000000u,
                      pulsedInset(4000000000u, 10.0f), 0.75f * pulsedInset(4000000000u, 10.0f),
                      brightnessAt(4000000000u) < 1.0f ? 1.0f : brightnessAt(4000000000u)},
        TrailQuadCase{"ExtraPass", 640, 480, 10.0f, 0, 1, 2000, 10.0f, 7.5f, brightnessAt(2000)},
        TrailQuadCase{"NoZoom", 640, 480, 0.0f, 0, 0, 1000, 0.0f, 0.0f, brightnessAt(1000)},
        // 8.4375 as the view's scaling forms it: 720 times 1/480 in single precision
        // first, then times 5.625.
        TrailQuadCase{"Wide1280x720", 1280, 720, 10.0f, 0, 0, 1000, 20.0f, scaledY(720, 5.625f),
                      brightnessAt(1000)}),
    [](const ::testing::TestParamInfo<TrailQuadCase>& param) { return std::string(param.param.name); });

struct GlowLayersCase {
    const char* name;
    int width;
    int height;
    float firstInsetX;
    float firstInsetY;
    float lastInsetX;
    float lastInsetY;
};

void PrintTo(const GlowLayersCase& layers, std::ostream* out)
{
    *out << layers.name;
}

class GlowLayers : public PassGeometryTest, public ::testing::WithParamInterface<GlowLayersCase> {};

TEST_P(GlowLayers, AreThirtyGrowingInsetQuadsInOneBatchAfterTheTrailsCapture)
{
    const GlowLayersCase& layers = GetParam();
    ASSERT_TRUE(startAt(layers.width, layers.height));
    setLoudness(0, 100);
    setLoudness(1, 10);
    const float e0 = 100.0f * energyBins * (1.0f / 14000.0f);
    const float e1 = 10.0f * energyBins * (1.0f / 14000.0f);

    glCallLog::start();
    renderAt(40);
    glCallLog::stop();

    // From the trail's copy on: the rest of that capture, then the whole glow.
    const std::vector<GlCall>& calls = glCallLog::calls();
    const auto lastCopy = std::find_if(calls.rbegin(), calls.rend(), [](const GlCall& call) {
        return call.name == "glCopyTexSubImage2D";
    });
    ASSERT_NE(lastCopy, calls.rend());
    ASSERT_EQ(lastCopy->args[6], layers.width) << "the trail's copy comes last";
    const std::vector<GlCall> afterCopy(lastCopy.base(), calls.end());

    std::vector<GlCall> expected{
        {"glDisable", {glTextureRectangle}},
        {"glEnable", {GL_TEXTURE_2D}},
        {"glDisable", {GL_TEXTURE_2D}},
        {"glEnable", {glTextureRectangle}},
        {"glBindTexture", {glTextureRectangle, static_cast<double>(glowTexture)}},
        {"glDisable", {GL_DEPTH_TEST}},
        {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}},
        {"glEnable", {GL_BLEND}},
    };
    append(expected, beginOverlayCalls(layers.width, layers.height));
    expected.push_back({"glBegin", {GL_QUADS}});
    float alpha = 0.2f;
    const float stepY = static_cast<float>(layers.height) / static_cast<float>(layers.width) * 10.0f;
    float insetX = layers.firstInsetX;
    float insetY = layers.firstInsetY;
    for (int layer = 0; layer < 30; ++layer) {
        expected.push_back({"glColor4f", {e0, e1, e0, alpha}});
        appendInsetQuad(expected, layers.width, layers.height, insetX, insetY);
        if (layer == 29) {
            EXPECT_NEAR(insetX, layers.lastInsetX, 1e-4);
            EXPECT_NEAR(insetY, layers.lastInsetY, 1e-4);
            EXPECT_NEAR(alpha, 0.2 - 29 / 150.0, 1e-6);
        }
        insetX += 10.0f;
        insetY += stepY;
        alpha -= 0.006666667f;
    }
    expected.push_back({"glEnd", {}});
    append(expected, endOverlayCalls());
    append(expected, {{"glEnable", {GL_DEPTH_TEST}},
                      {"glDisable", {glTextureRectangle}},
                      {"glEnable", {GL_TEXTURE_2D}},
                      {"glDisable", {GL_BLEND}},
                      {"glColor4f", {1, 1, 1, 1}}});
    EXPECT_EQ(describeAll(afterCopy), describeAll(expected));
}

INSTANTIATE_TEST_SUITE_P(
    ViewSizes, GlowLayers,
    ::testing::Values(GlowLayersCase{"Reference640x480", 640, 480, 10.0f, 7.5f, 300.0f, 225.0f},
                      GlowLayersCase{"Double1280x960", 1280, 960, 20.0f, 15.0f, 310.0f, 232.5f},
                      GlowLayersCase{"Wide1280x720", 1280, 720, 20.0f, scaledY(720, 5.625f), 310.0f,
                                     171.5625f}),
    [](const ::testing::TestParamInfo<GlowLayersCase>& param) { return std::string(param.param.name); });

TEST_F(PassGeometryTest, TrailCaptureMakesItsTextureOnFirstUseAndEndsTheFrame)
{
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = 0;
    const std::vector<GlCall> made{
        {"glBindTexture", {glTextureRectangle, 2}},
        {"glTexImage2D", {glTextureRectangle, 0, GL_RGB, 640, 480, 0, GL_RGB, GL_FLOAT, 0}},
        {"glTexParameteri", {glTextureRectangle, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
        {"glTexParameteri", {glTextureRectangle, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
        {"glTexParameteri", {glTextureRectangle, GL_TEXTURE_WRAP_S, GL_CLAMP}},
        {"glTexParameteri", {glTextureRectangle, GL_TEXTURE_WRAP_T, GL_CLAMP}},
    };
    const std::vector<GlCall> copied{
        {"glDisable", {GL_TEXTURE_2D}},
        {"glEnable", {glTextureRectangle}},
        {"glBindTexture", {glTextureRectangle, 2}},
        {"glCopyTexSubImage2D", {glTextureRectangle, 0, 0, 0, 0, 0, 640, 480}},
        {"glDisable", {glTextureRectangle}},
        {"glEnable", {GL_TEXTURE_2D}},
    };
    for (int frame = 0; frame < 2; ++frame) {
        glCallLog::start();
        renderAt(static_cast<DWORD>(40 * frame));
        glCallLog::stop();
        std::vector<GlCall> expected = frame == 0 ? made : std::vector<GlCall>{};
        append(expected, copied);
        const std::vector<GlCall>& calls = glCallLog::calls();
        ASSERT_GE(calls.size(), expected.size());
        const std::vector<GlCall> tail(calls.end() - static_cast<std::ptrdiff_t>(expected.size()),
                                       calls.end());
        EXPECT_EQ(describeAll(tail), describeAll(expected)) << "frame " << frame;
    }
}

} // namespace
