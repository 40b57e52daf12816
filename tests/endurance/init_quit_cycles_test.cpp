// A host that stops and starts the visualisation many times without unloading
// the DLL: every run must draw its trail and glow anew and leave nothing behind.

#include "endurance_fixture.h"
#include "live_heap.h"
#include "host/settings.h"
#include "render/frame.h"
#include "render/glow.h"

namespace {

constexpr int runCount = 200;

using InitQuitCyclesTest = EnduranceTest;

TEST_F(InitQuitCyclesTest, EveryRunInOneLoadDrawsTrailAndGlowAndLeavesNothingBehind)
{
    std::ptrdiff_t blocksAfterFirstRun = 0;
    for (int run = 0; run < runCount; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        startSmallRun();
        ASSERT_EQ(feedbackTexture, -1) << "the trail texture of the previous context survived";
        ASSERT_EQ(glowTexture, -1) << "the glow texture of the previous context survived";

        // First frame: loud music, sprites on screen.
        fillSpectrum(200);
        winstub::setTickCount(static_cast<DWORD>(1000 + run * 16));
        renderPlugin(module);
        ASSERT_NE(feedbackTexture, -1);
        ASSERT_NE(glowTexture, -1);
        ASSERT_TRUE(glIsTexture(static_cast<GLuint>(feedbackTexture)));
        ASSERT_TRUE(glIsTexture(static_cast<GLuint>(glowTexture)));
        const RgbPixels spritesOnly = rectangleTexture(glowTexture);
        const RgbPixels trail = rectangleTexture(feedbackTexture);
        const winstub::Image shown = winstub::readFramebuffer();
        EXPECT_GT(litPixels(spritesOnly.rgb), 0) << "the glow capture holds no sprite";
        EXPECT_GT(lightIn(shown.rgb), lightIn(trail.rgb))
            << "the shown frame is no brighter than its trail capture: no glow was added";

        // Second frame without sprites: whatever shows is the trail of the first.
        pluginSettings.spriteCount = 0;
        renderPlugin(module);
        EXPECT_GT(litPixels(winstub::readFramebuffer().rgb), 0)
            << "a frame without sprites shows no trail";
        EXPECT_EQ(pendingGlErrors(), "");

        quitPlugin(module);
        EXPECT_TRUE(winstub::windows().empty()) << winstub::windows().size() << " windows left";
        EXPECT_FALSE(winstub::classRegistered(windowClassName, winstub::dllInstance()));
        EXPECT_EQ(winstub::glContextCount(), 0);
        EXPECT_EQ(wglGetCurrentContext(), nullptr);
        if (run == 0)
            blocksAfterFirstRun = liveHeap::blocks();
        EXPECT_EQ(liveHeap::blocks(), blocksAfterFirstRun)
            << "heap blocks held by our code after quit differ from the first run's";
        winstub::clearCalls();
        // The first run that goes wrong says enough; the rest would repeat it.
        if (HasFailure())
            return;
    }
}

} // namespace
