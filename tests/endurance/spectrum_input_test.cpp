// Whatever bytes and channel count the host leaves in the module record, the
// loudness is the documented sum and the frame renders.

#include "endurance_fixture.h"
#include "render/frame.h"
#include "render/scene.h"

#include <string>

namespace {

constexpr int energyBins = 288;

// The loudness of one spectrum row, counted here independently: the first 288
// bytes summed and scaled by 1/14000.
float rowEnergy(const VisModule& module, int row)
{
    int sum = 0;
    for (int k = 0; k < energyBins; ++k)
        sum += module.spectrumData[row][k];
    return static_cast<float>(sum) * (1.0f / 14000.0f);
}

class SpectrumInputTest : public EnduranceTest {
protected:
    // One frame; the shown image and the trail capture, which is the frame
    // without its glow.
    struct Shown {
        long long frameLight;
        long long trailLight;
    };

    Shown renderOne(DWORD tickMs)
    {
        winstub::setTickCount(tickMs);
        renderPlugin(module);
        return {lightIn(winstub::readFramebuffer().rgb), lightIn(rectangleTexture(feedbackTexture).rgb)};
    }
};

TEST_F(SpectrumInputTest, FullScaleOnBothChannelsGivesTheLargestLoudnessAndRendersWithGlow)
{
    startSmallRun();
    fillSpectrum(255);
    EXPECT_FLOAT_EQ(spectrumEnergy(0), 73440.0f / 14000.0f);
    EXPECT_FLOAT_EQ(spectrumEnergy(1), 73440.0f / 14000.0f);
    const Shown shown = renderOne(3000);
    EXPECT_EQ(pendingGlErrors(), "");
    EXPECT_GT(shown.frameLight, shown.trailLight) << "no glow over a full-scale spectrum";
}

TEST_F(SpectrumInputTest, ChannelCountDecidesWhichRowsAreHeard)
{
    startSmallRun();
    fillSpectrumRandomly();
    // Row 1 loud, so that reading it where it should not be read shows.
    for (unsigned char& bin : module->spectrumData[1])
        bin = 255;
    const float row0 = rowEnergy(*module, 0);
    const float row1 = rowEnergy(*module, 1);

    module->channels = 0;
    EXPECT_EQ(spectrumEnergy(0), 0.0f);
    EXPECT_EQ(spectrumEnergy(1), 0.0f);
    const Shown silent = renderOne(3000);
    EXPECT_EQ(pendingGlErrors(), "");
    EXPECT_EQ(silent.frameLight, silent.trailLight) << "a silent glow added light";

    module->channels = 1;
    EXPECT_FLOAT_EQ(spectrumEnergy(0), row0);
    EXPECT_FLOAT_EQ(spectrumEnergy(1), row0) << "mono must fall back to row 0";
    const Shown mono = renderOne(3016);
    EXPECT_EQ(pendingGlErrors(), "");
    EXPECT_GT(mono.frameLight, mono.trailLight);

    module->channels = 2;
    EXPECT_FLOAT_EQ(spectrumEnergy(0), row0);
    EXPECT_FLOAT_EQ(spectrumEnergy(1), row1);
    const Shown stereo = renderOne(3032);
    EXPECT_EQ(pendingGlErrors(), "");
    EXPECT_GT(stereo.frameLight, stereo.trailLight);
}

TEST_F(SpectrumInputTest, RandomBytesAndChannelCountsRenderEveryFrame)
{
    startSmallRun();
    std::uniform_int_distribution<int> channelCount(0, 2);
    for (int frame = 0; frame < 300; ++frame) {
        fillSpectrumRandomly();
        module->channels = channelCount(random);
        const float expected0 = module->channels > 0 ? rowEnergy(*module, 0) : 0.0f;
        const float expected1 =
            module->channels > 1 ? rowEnergy(*module, 1) : expected0;
        ASSERT_FLOAT_EQ(spectrumEnergy(0), expected0) << "frame " << frame;
        ASSERT_FLOAT_EQ(spectrumEnergy(1), expected1) << "frame " << frame;
        winstub::setTickCount(static_cast<DWORD>(frame) * 16);
        renderPlugin(module);
        ASSERT_EQ(pendingGlErrors(), "") << "frame " << frame << ", channels "
                                         << module->channels;
        ASSERT_GT(litPixels(winstub::readFramebuffer().rgb), 0) << "frame " << frame << " is dark";
    }
}

} // namespace
