#pragma once
// A plug-in run in a small window: the frames take the same road as at full
// size, but llvmpipe fills few pixels, so thousands of them fit in a test.

#include "display/display.h"
#include "frame_probe.h"
#include "plugin_fixture.h"

#include <random>

class EnduranceTest : public PluginTest {
protected:
    static constexpr int smallWidth = 64;
    static constexpr int smallHeight = 48;

    // initPlugin, then a WM_SIZE down to the small window, as a host's layout would.
    void startSmallRun()
    {
        ASSERT_EQ(initPlugin(module), 0) << "init failed; message boxes: "
                                         << winstub::messageBoxes().size();
        winstub::resizeWindow(displayContext.window, smallWidth, smallHeight);
        module->channels = 2;
    }

    void fillSpectrum(unsigned char value)
    {
        for (auto& row : module->spectrumData) {
            for (unsigned char& bin : row)
                bin = value;
        }
    }

    void fillSpectrumRandomly()
    {
        for (auto& row : module->spectrumData) {
            for (unsigned char& bin : row)
                bin = static_cast<unsigned char>(random() & 0xFF);
        }
    }

    std::mt19937 random{20240611};
};
