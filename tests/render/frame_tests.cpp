// Whole frames as the user sees them: the picture's orientation, the sprites'
// places on screen, the keyed-out holes, the feedback trail (also after the view
// grows or shrinks, and in a second run), the textures' names, the GL state
// every pass hands on, a driver without rectangle textures, and a window gone
// from under the plug-in.

#include "render_fixture.h"

#include "display/display.h"
#include "image/sprite_image.h"
#include "image/texture_upload.h"
#include "render/frame.h"
#include "render/gl_api.h"
#include "render/glow.h"
#include "render/scene.h"
#include "render/sprite_queue.h"
#include "render/view.h"
#include "render/view_capture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace {

class FrameTest : public RenderTest {};

// Where a pixel of the view shows the point (x, y) of the sprites' plane.
std::array<int, 2> pixelOf(double x, double y, int width = 640, int height = 480)
{
    const ScreenPoint point = projectAtSpriteDepth(x, y, width, height);
    return {static_cast<int>(std::floor(point.x)), static_cast<int>(std::floor(point.y))};
}

Hue hueAt(const winstub::Image& image, double x, double y)
{
    const auto [px, py] = pixelOf(x, y, image.width, image.height);
    return hueOf(pixelAt(image, px, py));
}

// The pixels a square of the sprites' plane covers, as litBox reports them.
PixelBox expectedBox(double left, double bottom, double right, double top)
{
    const ScreenPoint topLeft = projectAtSpriteDepth(left, top, 640, 480);
    const ScreenPoint bottomRight = projectAtSpriteDepth(right, bottom, 640, 480);
    return {static_cast<int>(std::lround(topLeft.x)), static_cast<int>(std::lround(topLeft.y)),
            static_cast<int>(std::lround(bottomRight.x)) - 1,
            static_cast<int>(std::lround(bottomRight.y)) - 1};
}

void expectBoxNear(const PixelBox& seen, const PixelBox& expected, const std::string& what)
{
    EXPECT_NEAR(seen.left, expected.left, 1) << what << ": left edge";
    EXPECT_NEAR(seen.top, expected.top, 1) << what << ": top edge";
    EXPECT_NEAR(seen.right, expected.right, 1) << what << ": right edge";
    EXPECT_NEAR(seen.bottom, expected.bottom, 1) << what << ": bottom edge";
}

struct TextureSize {
    GLint width;
    GLint height;
};

TextureSize rectangleTextureSize(GLuint name)
{
    glBindTexture(glTextureRectangle, name);
    TextureSize size{};
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_WIDTH, &size.width);
    glGetTexLevelParameteriv(glTextureRectangle, 0, GL_TEXTURE_HEIGHT, &size.height);
    return size;
}

TEST_F(FrameTest, DefaultScenePicturesShowUpsideDownAndNotMirrored)
{
    ASSERT_TRUE(startPlugin());
    // Sprite 7, queued last and so drawn first and in front, stands at the centre
    // when its lead of 28 s brings it to p = 0; at 16 x 16 it fills the view.
    const winstub::Image frame = renderAt(0u - 28000u);
    saveFrameIfAsked("default-scene-orientation", frame);

    // Above the centre the picture's bottom half, left still on the left.
    EXPECT_EQ(hueName(hueAt(frame, -4.0, 3.5)), hueName(Hue::blue)) << "upper left";
    EXPECT_EQ(hueName(hueAt(frame, 4.0, 3.5)), hueName(Hue::yellow)) << "upper right";
    EXPECT_EQ(hueName(hueAt(frame, -4.0, -3.5)), hueName(Hue::red)) << "lower left";
    EXPECT_EQ(hueName(hueAt(frame, 4.0, -3.5)), hueName(Hue::green)) << "lower right";
}

TEST_F(FrameTest, KeyedOutHoleShowsTheSpriteBehindIt)
{
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = 0;
    pluginSettings.spriteCount = 2;
    pluginSettings.spriteSize = 2.0f;
    // At tick 0 in silence sprite 0 stands at (0, 0) and sprite 1, 4 s ahead, at
    // (1.2 sin 1.6, 1.2 sin 2.0); their 4 x 4 squares overlap, each with a 1 x 1 hole.
    const winstub::Image frame = renderAt(0);
    saveFrameIfAsked("keyed-hole", frame);
    const double x1 = 1.2 * std::sin(1.6);
    const double y1 = 1.2 * std::sin(2.0);

    // Sprite 1 is drawn first and wins where both lie at the same depth...
    EXPECT_EQ(hueName(hueAt(frame, 0.0, 0.0)), hueName(Hue::red))
        << "sprite 1's lower left over sprite 0's hole";
    // ...but through its hole the upper right of sprite 0 shows.
    EXPECT_EQ(hueName(hueAt(frame, x1, y1)), hueName(Hue::yellow))
        << "sprite 0 seen through sprite 1's hole";
}

struct PlaceCase {
    const char* name;
    int spriteCount;
    unsigned char loudness0;
    unsigned char loudness1;
};

void PrintTo(const PlaceCase& place, std::ostream* out)
{
    *out << place.name;
}

class SpritePlace : public FrameTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(SpritePlace, LandsWhereThePerspectiveAtDepthThirteenPutsIt)
{
    const PlaceCase& place = GetParam();
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = 0;
    pluginSettings.spriteCount = place.spriteCount;
    pluginSettings.spriteSize = 1.0f;
    setLoudness(0, place.loudness0);
    setLoudness(1, place.loudness1);
    const winstub::Image frame = renderAt(0);
    saveFrameIfAsked(std::string("place-") + place.name, frame);

    PixelBox expected{};
    if (place.spriteCount == 1) {
        const double x = 0.35714287f;
        expected = expectedBox(x - 1, 0.5 - 1, x + 1, 0.5 + 1);
    } else {
        // Two sprites at tick 0: sprite 0 at the path's origin, sprite 1 4 s on;
        // both moved right by twice the energy of channel 0 and up by twice that of 1.
        const double dx = 2.0 * place.loudness0 * energyBins / 14000.0;
        const double dy = 2.0 * place.loudness1 * energyBins / 14000.0;
        const double x1 = 0.6 * std::sin(1.6);
        const double y1 = 0.6 * std::sin(2.0);
        expected = expectedBox(dx - 1, dy - 1, dx + x1 + 1, dy + y1 + 1);
    }
    expectBoxNear(litBox(frame), expected, "sprites");
}

INSTANTIATE_TEST_SUITE_P(
    Music, SpritePlace,
    ::testing::Values(PlaceCase{"PairInSilence", 2, 0, 0},
                      PlaceCase{"PairWithLoudChannelZero", 2, 100, 0},
                      PlaceCase{"PairWithLoudChannelOne", 2, 0, 50},
                      PlaceCase{"PairWithBothLoud", 2, 100, 50},
                      PlaceCase{"SingleSpriteIgnoresTheMusic", 1, 100, 50}),
    [](const ::testing::TestParamInfo<PlaceCase>& param) { return std::string(param.param.name); });

TEST_F(FrameTest, FirstFrameHasNoTrail)
{
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = 0;
    pluginSettings.spriteCount = 1;
    pluginSettings.spriteSize = 1.0f;
    glCallLog::start();
    const winstub::Image frame = renderAt(5000);
    glCallLog::stop();

    const double x = 0.35714287f;
    expectBoxNear(litBox(frame, 0), expectedBox(x - 1, -0.5, x + 1, 1.5),
                  "everything lit is the sprite");
    const std::vector<glCallLog::GlCall> blends = glCallLog::named("glBlendFunc");
    EXPECT_EQ(std::ranges::count_if(blends,
                                    [](const glCallLog::GlCall& call) {
                                        return call.args == std::vector<double>{GL_ONE, GL_ONE_MINUS_SRC_COLOR};
                                    }),
              0)
        << "the trail's blend";
    EXPECT_EQ(glCallLog::count("glBegin"), 2) << "the sprite's two passes only";
}

struct TrailCase {
    const char* name;
    int width;   // the view's size from the second frame on
    int height;
};

void PrintTo(const TrailCase& trail, std::ostream* out)
{
    *out << trail.name;
}

class Trail : public FrameTest, public ::testing::WithParamInterface<TrailCase> {};

TEST_P(Trail, ShowsThePreviousFrameMagnifiedAboutTheCentre)
{
    const TrailCase& trail = GetParam();
    ASSERT_TRUE(startPlugin());
    // A black first frame makes the trail's texture at 640 x 480.
    pluginSettings.spriteCount = 0;
    renderAt(0);
    const int textureName = feedbackTexture;
    const int namesTaken = nextTextureName;
    if (trail.width != 640 || trail.height != 480)
        winstub::resizeWindow(displayContext.window, trail.width, trail.height);

    // One sprite at 16 x 16 covers the view's upper right, so a view that grew has
    // sprite pixels beyond the texture's first size.
    pluginSettings.spriteCount = 1;
    const winstub::Image spriteFrame = renderAt(1000);
    pluginSettings.spriteCount = 0;
    const winstub::Image trailOnly = renderAt(1040);
    saveFrameIfAsked(std::string("trail-") + trail.name + "-1", spriteFrame);
    saveFrameIfAsked(std::string("trail-") + trail.name + "-2", trailOnly);

    ASSERT_EQ(trailOnly.width, trail.width);
    ASSERT_GT(litPixelCount(spriteFrame), trail.width * trail.height / 4);
    const double insetX = trail.width / 640.0 * 10.0;
    const double insetY = trail.height / 480.0 * (static_cast<double>(trail.height) / trail.width * 10.0);
    std::string firstMismatch;
    EXPECT_EQ(trailMismatches(spriteFrame, trailOnly, insetX, insetY, 6, firstMismatch), 0)
        << "first " << firstMismatch;
    // Along the top edge, right of where a 640 x 480 copy would end when the view
    // grew: the sprite, magnified, and not a stale frame.
    const int probeX = std::min(trail.width - 3, 700);
    EXPECT_NE(hueName(hueOf(pixelAt(trailOnly, probeX, 2))), hueName(Hue::black))
        << "at (" << probeX << ", 2)";

    EXPECT_EQ(feedbackTexture, textureName) << "the trail keeps its name";
    EXPECT_EQ(nextTextureName, namesTaken);
    const TextureSize size = rectangleTextureSize(static_cast<GLuint>(feedbackTexture));
    EXPECT_GE(size.width, trail.width);
    EXPECT_GE(size.height, trail.height);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(
    ViewSizes, Trail,
    ::testing::Values(TrailCase{"Steady", 640, 480}, TrailCase{"AfterShrinking", 320, 240},
                      TrailCase{"AfterGrowing", 800, 600},
                      TrailCase{"AfterGrowingWider", 1024, 400}),
    [](const ::testing::TestParamInfo<TrailCase>& param) { return std::string(param.param.name); });

TEST_F(FrameTest, WithoutZoomTheTrailIsThePreviousFrameUnchanged)
{
    ASSERT_TRUE(startPlugin());
    pluginSettings.feedbackZoom = 0.0f;
    pluginSettings.spriteCount = 1;
    pluginSettings.spriteSize = 2.0f;
    const winstub::Image spriteFrame = renderAt(1000);
    pluginSettings.spriteCount = 0;
    const winstub::Image trailOnly = renderAt(1040);
    EXPECT_EQ(trailOnly.rgb, spriteFrame.rgb) << "one texel to one pixel";
}

struct NamesCase {
    const char* name;
    int glowEnabled;
    int glow;
    int trail;
    int copiesPerFrame;
};

void PrintTo(const NamesCase& names, std::ostream* out)
{
    *out << names.name;
}

class TextureNames : public FrameTest, public ::testing::WithParamInterface<NamesCase> {};

TEST_P(TextureNames, ComeFromTheOneCounterInOrderOfFirstUse)
{
    const NamesCase& names = GetParam();
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = names.glowEnabled;
    EXPECT_EQ(spriteTexture, 1);
    for (int frame = 0; frame < 3; ++frame) {
        glCallLog::start();
        renderAt(static_cast<DWORD>(frame * 40));
        glCallLog::stop();
        SCOPED_TRACE("frame " + std::to_string(frame));
        EXPECT_EQ(glowTexture, names.glow);
        EXPECT_EQ(feedbackTexture, names.trail);
        EXPECT_EQ(nextTextureName, names.trail + 1);
        const std::vector<glCallLog::GlCall> copies = glCallLog::named("glCopyTexSubImage2D");
        ASSERT_EQ(static_cast<int>(copies.size()), names.copiesPerFrame);
        EXPECT_EQ(copies.back().args,
                  (std::vector<double>{glTextureRectangle, 0, 0, 0, 0, 0, 640, 480}));
        EXPECT_EQ(glCallLog::count("glTexImage2D"), frame == 0 ? names.copiesPerFrame : 0)
            << "each texture is made once";
        EXPECT_EQ(glCallLog::count("glClear"), names.copiesPerFrame)
            << "a second clear only after the glow's capture";
        const std::vector<glCallLog::GlCall> blends = glCallLog::named("glBlendFunc");
        EXPECT_EQ(std::ranges::count_if(blends,
                                        [](const glCallLog::GlCall& call) {
                                            return call.args ==
                                                   std::vector<double>{GL_SRC_ALPHA, GL_ONE};
                                        }),
                  names.glowEnabled ? 1 : 0)
            << "the glow's layers";
    }

    // Both textures: the view's size, filtered linearly, clamped.
    for (const int name : {names.glow, names.trail}) {
        if (name == -1)
            continue;
        SCOPED_TRACE("texture " + std::to_string(name));
        ASSERT_TRUE(glIsTexture(static_cast<GLuint>(name)));
        const TextureSize size = rectangleTextureSize(static_cast<GLuint>(name));
        EXPECT_EQ(size.width, 640);
        EXPECT_EQ(size.height, 480);
        for (const auto& [parameter, value] :
             {std::pair{GL_TEXTURE_MIN_FILTER, GL_LINEAR}, std::pair{GL_TEXTURE_MAG_FILTER, GL_LINEAR},
              std::pair{GL_TEXTURE_WRAP_S, GL_CLAMP}, std::pair{GL_TEXTURE_WRAP_T, GL_CLAMP}}) {
            GLint actual = 0;
            glGetTexParameteriv(glTextureRectangle, static_cast<GLenum>(parameter), &actual);
            EXPECT_EQ(actual, value) << "parameter 0x" << std::hex << parameter;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Glow, TextureNames,
    ::testing::Values(NamesCase{"GlowOn", 1, 2, 3, 2}, NamesCase{"GlowOff", 0, -1, 2, 1}),
    [](const ::testing::TestParamInfo<NamesCase>& param) { return std::string(param.param.name); });

struct PassCase {
    const char* name;
    void (*run)();
    float intensityAfter;
};

void PrintTo(const PassCase& pass, std::ostream* out)
{
    *out << pass.name;
}

class PassState : public FrameTest, public ::testing::WithParamInterface<PassCase> {};

TEST_P(PassState, PutsBackWhatTheNextPassExpects)
{
    const PassCase& pass = GetParam();
    ASSERT_TRUE(startPlugin());
    setLoudness(0, 80);
    setLoudness(1, 30);
    renderAt(1000);
    renderAt(1040);
    // A grey level of its own shows that the pass ends on it, not on white.
    drawIntensity = 0.5f;
    glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    const GLint modelViewDepth = integerState(GL_MODELVIEW_STACK_DEPTH);
    const GLint projectionDepth = integerState(GL_PROJECTION_STACK_DEPTH);

    pass.run();

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(glTextureRectangle));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(integerState(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integerState(GL_MODELVIEW_STACK_DEPTH), modelViewDepth);
    EXPECT_EQ(integerState(GL_PROJECTION_STACK_DEPTH), projectionDepth);
    EXPECT_EQ(integerState(GL_DEPTH_WRITEMASK), GL_TRUE);
    std::array<GLfloat, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    const float grey = pass.intensityAfter;
    EXPECT_EQ(colour, (std::array<GLfloat, 4>{grey, grey, grey, 1.0f}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(
    Passes, PassState,
    ::testing::Values(
        PassCase{"DrawSprite",
                 [] {
                     drawSprite(sceneLikeSprite(1, 1, 8, static_cast<unsigned>(spriteTexture)));
                 },
                 0.5f},
        PassCase{"DrawSpriteList",
                 [] {
                     for (int i = 0; i < 3; ++i)
                         queueSprite(sceneLikeSprite(static_cast<float>(i), 0, 8,
                                                                 static_cast<unsigned>(spriteTexture)));
                     drawSpriteList(spriteList, 1);
                     spriteList = nullptr;
                 },
                 0.5f},
        PassCase{"DrawFeedback", [] { drawFeedback(); }, 0.5f},
        PassCase{"CaptureFeedback", [] { captureFeedback(); }, 0.5f},
        PassCase{"CaptureGlow", [] { captureGlow(); }, 0.5f},
        PassCase{"DrawGlow", [] { drawGlow(); }, 0.5f},
        PassCase{"WholeFrame",
                 [] {
                     buildScene();
                     renderFrame();
                 },
                 1.0f}),
    [](const ::testing::TestParamInfo<PassCase>& param) { return std::string(param.param.name); });

TEST_F(FrameTest, SecondRunAfterQuitDrawsItsTrailAndGlowAgain)
{
    ASSERT_TRUE(startPlugin());
    renderAt(0);
    renderAt(40);
    ASSERT_NE(quitPlugin(module), 0);

    ASSERT_EQ(initPlugin(module), 0) << "the same load of the DLL";
    module->channels = 2;
    pluginSettings.spriteCount = 1;
    pluginSettings.spriteSize = 2.0f;
    const winstub::Image spriteFrame = renderAt(1000);
    ASSERT_GT(litPixelCount(spriteFrame), 1000);

    EXPECT_EQ(readRectangleTexture(static_cast<GLuint>(glowTexture)).rgb, spriteFrame.rgb)
        << "the glow's capture holds this run's sprites";
    EXPECT_EQ(readRectangleTexture(static_cast<GLuint>(feedbackTexture)).rgb, spriteFrame.rgb)
        << "the trail's capture holds this run's frame";

    pluginSettings.spriteCount = 0;
    const winstub::Image trailOnly = renderAt(1040);
    std::string firstMismatch;
    EXPECT_EQ(trailMismatches(spriteFrame, trailOnly, 10.0, 7.5, 6, firstMismatch), 0)
        << "first " << firstMismatch;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RectangleExtension, IsFoundByItsWholeName)
{
    EXPECT_TRUE(offersRectangleTextures("GL_EXT_bgra GL_NV_texture_rectangle"));
    EXPECT_TRUE(offersRectangleTextures("GL_EXT_texture_rectangle GL_EXT_bgra"));
    EXPECT_FALSE(
        offersRectangleTextures("GL_ARB_texture_rectangle_size XGL_ARB_texture_rectangle"));
    EXPECT_FALSE(offersRectangleTextures(nullptr));
}

TEST_F(FrameTest, WithoutRectangleTexturesTheSpritesAreDrawnAlone)
{
    ASSERT_TRUE(startPlugin());
    pluginSettings.glowEnabled = 0;
    setLoudness(0, 60);
    setLoudness(1, 60);
    // A first frame without glow has no trail yet: the sprites over the cleared view.
    const winstub::Image spritesAlone = renderAt(2000);

    PluginTest::SetUp();
    winstub::setGlExtensions("GL_ARB_multitexture GL_EXT_bgra");
    ASSERT_TRUE(startPlugin());
    setLoudness(0, 60);
    setLoudness(1, 60);
    glCallLog::start();
    for (const DWORD tickMs : {1960u, 1980u, 2000u})
        renderAt(tickMs);
    glCallLog::stop();

    const auto namesRectangleTarget = [](const glCallLog::GlCall& call) {
        return !call.args.empty() && call.args[0] == glTextureRectangle;
    };
    EXPECT_EQ(std::ranges::count_if(glCallLog::calls(), namesRectangleTarget), 0)
        << "calls naming the rectangle texture target";
    std::string firstMismatch;
    EXPECT_EQ(trailMismatches(spritesAlone, winstub::presentedImages().back(), 0, 0, 0,
                              firstMismatch),
              0)
        << "neither trail nor glow, nor an untextured quad over the view; first " << firstMismatch;
    EXPECT_GT(litPixelCount(spritesAlone), 10000);
}

TEST_F(FrameTest, WindowDestroyedWithTheHostsEndsTheShowWithoutTouchingIt)
{
    ASSERT_TRUE(startPlugin());
    renderAt(0);
    const HWND window = displayContext.window;
    ASSERT_TRUE(DestroyWindow(winstub::hostWindow()));
    ASSERT_EQ(winstub::findWindow(window), nullptr) << "the owned window went with the host's";

    const int swaps = winstub::callCount("SwapBuffers");
    glCallLog::start();
    EXPECT_EQ(renderPlugin(module), 1) << "1 asks the host to end the visualisation";
    glCallLog::stop();
    EXPECT_TRUE(glCallLog::calls().empty())
        << "first GL call: " << glCallLog::describe(glCallLog::calls()[0]);
    EXPECT_EQ(winstub::callCount("SwapBuffers"), swaps);

    const std::size_t start = winstub::calls().size();
    EXPECT_NE(quitPlugin(module), 0) << "the class was unregistered";
    EXPECT_EQ(callsAmong(start, releaseCalls),
              (std::vector<std::string>{"wglMakeCurrent", "wglDeleteContext", "UnregisterClassA"}))
        << "nothing is asked of the dead window";
    EXPECT_EQ(winstub::glContextCount(), 0);
}

} // namespace
