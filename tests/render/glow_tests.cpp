// The glow as the user sees it: tinted by the music, nothing in silence, never
// part of the trail, the same whatever alpha bits the framebuffer has; and the
// default scene with the committed picture.

#include "render_fixture.h"

#include "render/frame.h"
#include "render/gl_api.h"
#include "render/glow.h"
#include "render/sprite_queue.h"

#include <filesystem>
#include <string>

namespace {

struct Loudness {
    unsigned char channel0;
    unsigned char channel1;
};

class GlowTest : public RenderTest {
protected:
    // The first frame of a fresh run with the default scene at that loudness.
    winstub::Image firstFrame(bool glowOn, Loudness loudness)
    {
        if (!restartPlugin())
            return {};
        pluginSettings.glowEnabled = glowOn ? 1 : 0;
        setLoudness(0, loudness.channel0);
        setLoudness(1, loudness.channel1);
        return renderAt(2000);
    }
};

struct TintCase {
    const char* name;
    Loudness loudness;
    bool redAndBlue;  // which channels the glow may add to
    bool green;
};

void PrintTo(const TintCase& tint, std::ostream* out)
{
    *out << tint.name;
}

class GlowTint : public GlowTest, public ::testing::WithParamInterface<TintCase> {};

TEST_P(GlowTint, AddsTheColourOfTheLoudChannels)
{
    const TintCase& tint = GetParam();
    const winstub::Image without = firstFrame(false, tint.loudness);
    const winstub::Image with = firstFrame(true, tint.loudness);
    ASSERT_EQ(with.rgb.size(), without.rgb.size());
    saveFrameIfAsked(std::string("glow-") + tint.name, with);

    int redOrBlueGlow = 0;
    int greenGlow = 0;
    int darkened = 0;
    for (std::size_t at = 0; at < with.rgb.size(); at += 3) {
        const int red = with.rgb[at] - without.rgb[at];
        const int green = with.rgb[at + 1] - without.rgb[at + 1];
        const int blue = with.rgb[at + 2] - without.rgb[at + 2];
        darkened += (red < 0 || green < 0 || blue < 0) ? 1 : 0;
        redOrBlueGlow += (red > 0 || blue > 0) ? 1 : 0;
        greenGlow += green > 0 ? 1 : 0;
    }
    EXPECT_EQ(darkened, 0) << "the glow only adds";
    if (tint.redAndBlue)
        EXPECT_GT(redOrBlueGlow, 5000);
    else
        EXPECT_EQ(redOrBlueGlow, 0);
    if (tint.green)
        EXPECT_GT(greenGlow, 5000);
    else
        EXPECT_EQ(greenGlow, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Music, GlowTint,
    ::testing::Values(TintCase{"SilenceAddsNothing", {0, 0}, false, false},
                      TintCase{"LoudChannelZeroIsMagenta", {60, 0}, true, false},
                      TintCase{"LoudChannelOneIsGreen", {0, 60}, false, true},
                      TintCase{"BothLoudAddAll", {60, 60}, true, true}),
    [](const ::testing::TestParamInfo<TintCase>& param) { return std::string(param.param.name); });

TEST_F(GlowTest, NeverEntersTheTrail)
{
    const winstub::Image plain = firstFrame(false, {60, 60});
    const winstub::Image glowing = firstFrame(true, {60, 60});
    ASSERT_NE(glowing.rgb, plain.rgb) << "the glow is on screen";

    EXPECT_EQ(readRectangleTexture(static_cast<GLuint>(feedbackTexture)).rgb, plain.rgb)
        << "the trail holds the frame without its glow";
}

TEST_F(GlowTest, DefaultSceneRunsWithTheCommittedPicture)
{
    std::filesystem::copy_file(std::filesystem::path(ZELVIS_SOURCE_DIR) / "assets" / "vis_zel.bmp",
                               sprites.path() / "vis_zel.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    constexpr int frames = 30;
    std::vector<std::vector<winstub::Image>> runs;
    for (const auto& [name, level] :
         {std::pair{"silence", 0}, std::pair{"music", 60}, std::pair{"loud", 255}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(restartPlugin());
        setLoudness(0, static_cast<unsigned char>(level));
        setLoudness(1, static_cast<unsigned char>(level));
        std::vector<winstub::Image>& shown = runs.emplace_back();
        for (int frame = 0; frame < frames; ++frame) {
            shown.push_back(renderAt(static_cast<DWORD>(1000 + 25 * frame)));
            ASSERT_EQ(spriteList, nullptr) << "frame " << frame << " left sprites queued";
        }
        for (const int frame : {0, 1, 10, frames - 1})
            saveFrameIfAsked(std::string("default-") + name + "-" + std::to_string(frame),
                             shown[static_cast<std::size_t>(frame)]);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_NE(shown[frames - 2].rgb, shown[frames - 1].rgb) << "the scene moves";
    }
    for (int frame = 0; frame < frames; frame += 10) {
        const auto at = static_cast<std::size_t>(frame);
        EXPECT_NE(runs[0][at].rgb, runs[1][at].rgb) << "frame " << frame << ": the music shows";
        EXPECT_NE(runs[1][at].rgb, runs[2][at].rgb) << "frame " << frame << ": the music shows";
    }
}

TEST_F(GlowTest, IsTheSameWhetherTheFramebufferHasAlphaBitsOrNot)
{
    // The sprites' filtered rims write partial alpha where there are alpha bits.
    constexpr int frames = 3;
    std::vector<winstub::Image> runs[2];
    for (const int alphaBits : {0, 8}) {
        SCOPED_TRACE(std::to_string(alphaBits) + " alpha bits");
        PluginTest::SetUp();
        if (alphaBits != 0)
            winstub::giveFramebuffersAlpha();
        ASSERT_TRUE(startPlugin());
        ASSERT_EQ(integerState(GL_ALPHA_BITS), alphaBits);
        setLoudness(0, 60);
        setLoudness(1, 60);
        for (int frame = 0; frame < frames; ++frame)
            runs[alphaBits / 8].push_back(renderAt(static_cast<DWORD>(2000 + 40 * frame)));
    }
    for (std::size_t frame = 0; frame < frames; ++frame) {
        std::string firstMismatch;
        EXPECT_EQ(trailMismatches(runs[0][frame], runs[1][frame], 0, 0, 0, firstMismatch), 0)
            << "frame " << frame << ", first " << firstMismatch;
    }
}

} // namespace
