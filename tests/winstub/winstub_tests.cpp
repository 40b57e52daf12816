// The stand-in itself: the things the plug-in's tests take on trust.

#include "winstub.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <io.h>
#include <string>
#include <vector>

namespace {

std::vector<LPARAM> sizesSeen;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE)
        sizesSeen.push_back(lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

class WinstubTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winstub::reset();
        sizesSeen.clear();
    }
    void TearDown() override { winstub::reset(); }

    static HWND makeWindow(DWORD style, int clientWidth, int clientHeight)
    {
        const WNDCLASSA windowClass{.style = 0,
                                    .lpfnWndProc = recordingProc,
                                    .cbClsExtra = 0,
                                    .cbWndExtra = 0,
                                    .hInstance = winstub::dllInstance(),
                                    .hIcon = nullptr,
                                    .hCursor = nullptr,
                                    .hbrBackground = nullptr,
                                    .lpszMenuName = nullptr,
                                    .lpszClassName = "probe"};
        if (!winstub::classRegistered("probe", winstub::dllInstance())) {
            EXPECT_NE(RegisterClassA(&windowClass), 0);
        }
        RECT rect{.left = 0, .top = 0, .right = clientWidth, .bottom = clientHeight};
        AdjustWindowRectEx(&rect, style, FALSE, 0);
        return CreateWindowExA(0, "probe", "t", style, 0, 0, rect.right - rect.left,
                               rect.bottom - rect.top, winstub::hostWindow(), nullptr,
                               winstub::dllInstance(), nullptr);
    }
};

TEST_F(WinstubTest, FramedWindowKeepsTheClientSizeThroughTheFrameRoundTrip)
{
    const HWND window = makeWindow(WS_CAPTION | WS_SYSMENU, 640, 480);
    ASSERT_NE(window, nullptr);
    const winstub::Window* record = winstub::findWindow(window);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->clientWidth, 640);
    EXPECT_EQ(record->clientHeight, 480);
    const auto create = winstub::callsNamed("CreateWindowExA");
    ASSERT_EQ(create.size(), 1u);
    EXPECT_EQ(create[0].ints[4], 640 + 2 * winstub::frameBorder) << "outer width";
    EXPECT_EQ(create[0].ints[5], 480 + 2 * winstub::frameBorder + winstub::captionHeight);
    ASSERT_EQ(sizesSeen.size(), 1u) << "WM_SIZE is sent while the window is made";
    EXPECT_EQ(sizesSeen[0], (480 << 16) | 640);
}

TEST_F(WinstubTest, ClassCannotBeUnregisteredWhileAWindowOfItLives)
{
    const HWND window = makeWindow(WS_POPUP, 8, 8);
    EXPECT_EQ(UnregisterClassA("probe", winstub::dllInstance()), FALSE);
    EXPECT_EQ(DestroyWindow(window), TRUE);
    EXPECT_EQ(UnregisterClassA("probe", winstub::dllInstance()), TRUE);
    EXPECT_EQ(UnregisterClassA("probe", winstub::dllInstance()), FALSE) << "already gone";
}

TEST_F(WinstubTest, ContextOfAWindowDrawsIntoAFramebufferOfItsClientSize)
{
    const HWND window = makeWindow(WS_POPUP, 64, 32);
    const HDC deviceContext = GetDC(window);
    const PIXELFORMATDESCRIPTOR descriptor{};
    EXPECT_EQ(wglCreateContext(deviceContext), nullptr) << "no pixel format set yet";
    ASSERT_TRUE(SetPixelFormat(deviceContext, ChoosePixelFormat(deviceContext, &descriptor),
                               &descriptor));
    const HGLRC context = wglCreateContext(deviceContext);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(deviceContext, context));
    EXPECT_EQ(wglGetCurrentContext(), context);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 32);
    const winstub::Image untouched = winstub::readFramebuffer();
    EXPECT_EQ(untouched.rgb[0], 255) << "fresh storage is magenta, not a plausible frame";
    EXPECT_EQ(untouched.rgb[1], 0);

    glClearColor(0.0f, 1.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    winstub::keepPresentedImages();
    EXPECT_TRUE(SwapBuffers(deviceContext));
    ASSERT_EQ(winstub::presentedImages().size(), 1u);
    const winstub::Image& shown = winstub::presentedImages()[0];
    EXPECT_EQ(shown.width, 64);
    EXPECT_EQ(shown.height, 32);
    EXPECT_EQ(shown.rgb[1], 255);

    winstub::resizeWindow(window, 20, 10);
    EXPECT_EQ(sizesSeen.back(), (10 << 16) | 20);
    const winstub::Image resized = winstub::readFramebuffer();
    EXPECT_EQ(resized.width, 20);
    EXPECT_EQ(resized.height, 10);

    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context)) << "deleted twice";
}

TEST_F(WinstubTest, ReadBackIsTopRowFirstAndCopiedTexelsHaveFullAlpha)
{
    winstub::makeGlContextCurrent(4, 2);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 1, 4, 1);  // the top row in GL's bottom-up rows
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, 0, 4, 1);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const winstub::Image image = winstub::readFramebuffer();
    EXPECT_EQ(image.rgb[0], 255) << "top row first";
    EXPECT_EQ(image.rgb[4 * 3 + 0], 0) << "bottom row is blue";
    EXPECT_EQ(image.rgb[4 * 3 + 2], 255);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, 4, 2);
    std::vector<unsigned char> texels(4 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[3], 255) << "the colour buffer has no alpha: copies read alpha 1";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WinstubTest, OpenTakesWideWindowsPathsAndRecordsThem)
{
    const auto folder = std::filesystem::temp_directory_path() / "winstub-open-test-插件😀";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "file.bin", std::ios::binary) << "abc";
    std::string windowsPath = (folder / "file.bin").string();
    std::ranges::replace(windowsPath, '/', '\\');

    const int handle = _wopen(winstub::utf16FromUtf8(windowsPath).c_str(), _O_RDONLY | _O_BINARY);
    ASSERT_GE(handle, 0) << windowsPath;
    EXPECT_EQ(winstub::openFileCount(), 1);
    EXPECT_EQ(_lseek(handle, 0, SEEK_END), 3);
    EXPECT_EQ(_lseek(handle, 1, SEEK_SET), 1);
    char bytes[4] = {};
    EXPECT_EQ(_read(handle, bytes, sizeof bytes), 2);
    EXPECT_STREQ(bytes, "bc");
    EXPECT_EQ(_close(handle), 0);
    EXPECT_EQ(winstub::openFileCount(), 0);
    ASSERT_EQ(winstub::openedPaths().size(), 1u);
    EXPECT_EQ(winstub::openedPaths()[0], windowsPath);
    std::filesystem::remove_all(folder);
}

TEST_F(WinstubTest, ModuleFileNameIsUtf16CutToTheBufferAndTerminated)
{
    winstub::setModuleFileName("C:\\😀\\vis_zel.dll");
    wchar_t name[6];
    EXPECT_EQ(GetModuleFileNameW(winstub::dllInstance(), name, 6), 6u);
    EXPECT_EQ(std::wstring(name), (std::wstring{L'C', L':', L'\\', 0xD83D, 0xDE00}));
    wchar_t whole[64];
    EXPECT_EQ(GetModuleFileNameW(winstub::dllInstance(), whole, 64), 17u);
    EXPECT_EQ(winstub::utf8FromUtf16(whole), "C:\\😀\\vis_zel.dll");
}

} // namespace
