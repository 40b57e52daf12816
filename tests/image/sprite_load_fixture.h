#pragma once
// A plug-in about to load its sprite: a current GL context, a host module whose
// DLL lies in a fresh directory, the settings at their defaults and the picture
// state as at DLL load.

#include "bmp_bytes.h"
#include "image_helpers.h"

#include "host/plugin.h"
#include "host/settings.h"
#include "image/image_file.h"
#include "image/sprite_image.h"
#include "image/texture_upload.h"

#include <winstub.h>

#include <gtest/gtest.h>

class SpriteLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winstub::reset();
        winstub::makeGlContextCurrent(16, 16);
        host = VisModule{};
        host.parentWindow = winstub::hostWindow();
        host.dllInstance = winstub::dllInstance();
        hostModule = &host;
        pluginSettings = defaultSettings;
        std::free(spriteImage);
        spriteImage = nullptr;
        spriteTexture = 0;
        nextTextureName = 1;
        textureMode = 1;
        winstub::setModuleFileName(windowsPath(dir.path() + "/vis_zel.dll"));
    }

    void TearDown() override
    {
        closeImageFile();
        winstub::reset();
    }

    std::string picturePath() const { return dir.path() + "/vis_zel.bmp"; }
    void placePicture(const Bytes& bytes) { writeFile(picturePath(), bytes); }

    // Everything a failed load must leave behind: the one message, nothing open
    // or allocated, the sprite texture and the name counter as they were, and
    // textureMode back at the setting.
    void expectCleanFailure(int result, int textureBefore, int nextNameBefore)
    {
        EXPECT_EQ(result, 1);
        ASSERT_EQ(winstub::messageBoxes().size(), 1u);
        const winstub::MessageBoxShown& box = winstub::messageBoxes()[0];
        EXPECT_EQ(box.text, "Image load failed.");
        EXPECT_EQ(box.caption, "zelVis");
        EXPECT_EQ(box.owner, winstub::hostWindow());
        EXPECT_EQ(box.type, UINT{MB_OK});
        EXPECT_EQ(winstub::openFileCount(), 0);
        EXPECT_EQ(imageFileHandle, -1);
        EXPECT_EQ(imageFileBuffer, nullptr);
        EXPECT_EQ(spriteImage, nullptr);
        EXPECT_EQ(spriteTexture, textureBefore);
        EXPECT_EQ(nextTextureName, nextNameBefore);
        EXPECT_EQ(textureMode, pluginSettings.smoothImage);
    }

    TempDir dir;
    VisModule host{};
};
