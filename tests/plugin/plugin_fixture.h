#pragma once
// The common ground of the plug-in's tests: a clean stand-in and plug-in state,
// the module record wired to the scripted host, and a sprite picture beside the
// "DLL", so that init can succeed.

#include "host/plugin.h"
#include "plugin_state.h"
#include "sprite_folder.h"
#include "winstub.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        restorePluginLoadState();
        winstub::reset();
        winstub::setModuleFileName(sprites.windowsModulePath());
        module = getModule(0);
        module->parentWindow = winstub::hostWindow();
        module->dllInstance = winstub::dllInstance();
    }

    void TearDown() override
    {
        restorePluginLoadState();
        winstub::reset();
    }

    // Names of the calls from position `from` on that are among `wanted`, in order.
    static std::vector<std::string> callsAmong(std::size_t from,
                                               const std::vector<std::string_view>& wanted)
    {
        std::vector<std::string> names;
        const auto& all = winstub::calls();
        for (std::size_t i = from; i < all.size(); ++i) {
            for (std::string_view name : wanted) {
                if (all[i].name == name)
                    names.push_back(all[i].name);
            }
        }
        return names;
    }

    // What the display's teardown may call.
    static inline const std::vector<std::string_view> releaseCalls{
        "ChangeDisplaySettingsA", "ShowCursor", "wglMakeCurrent", "wglDeleteContext",
        "ReleaseDC", "DestroyWindow", "UnregisterClassA"};

    VisModule* module = nullptr;
    SpriteFolder sprites;
};
