// The plug-in window's procedure: what it keeps for itself and what it passes on.

#include "plugin_fixture.h"

#include "display/display.h"
#include "render/gl_api.h"
#include "render/view.h"

#include <array>
#include <ostream>

namespace {

const HWND someWindow = reinterpret_cast<HWND>(std::uintptr_t{0x7700});
constexpr LRESULT defaultResult = 0x5EED;

struct Message {
    UINT message;
    WPARAM wParam;
    bool passedOn;
};

void PrintTo(const Message& message, std::ostream* out)
{
    *out << std::hex << "message 0x" << message.message << " wParam 0x" << message.wParam;
}

class WindowProcMessage : public PluginTest, public ::testing::WithParamInterface<Message> {};

TEST_P(WindowProcMessage, IsKeptOrPassedOnWhole)
{
    winstub::setDefWindowProcResult(defaultResult);
    constexpr LPARAM lParam = 0x00120034;
    const LRESULT result = windowProc(someWindow, GetParam().message, GetParam().wParam, lParam);

    const auto passed = winstub::callsNamed("DefWindowProcA");
    if (GetParam().passedOn) {
        EXPECT_EQ(result, defaultResult) << "DefWindowProcA's result is returned";
        ASSERT_EQ(passed.size(), 1u);
        EXPECT_EQ(passed[0].ints,
                  (std::vector<std::int64_t>{winstub::handleValue(someWindow), GetParam().message,
                                             static_cast<std::int64_t>(GetParam().wParam), lParam}));
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(passed.empty());
    }
    // However the window goes, its thread hears that the show is over.
    EXPECT_EQ(winstub::callCount("PostQuitMessage"), GetParam().message == WM_DESTROY ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowProcMessage,
    ::testing::Values(Message{WM_ACTIVATE, 1, false}, Message{WM_KEYDOWN, 0x1B, false},
                      Message{WM_KEYUP, 0x1B, false},
                      Message{WM_SYSCOMMAND, SC_SCREENSAVE, false},
                      Message{WM_SYSCOMMAND, SC_MONITORPOWER, false},
                      // Only exact matches are blocked: low bits set mean another command.
                      Message{WM_SYSCOMMAND, 0xF141, true}, Message{WM_SYSCOMMAND, 0xF171, true},
                      Message{WM_SYSCOMMAND, 0xF060, true},  // SC_CLOSE
                      Message{WM_DESTROY, 0, true}, Message{WM_USER + 1, 7, true}));

TEST_F(PluginTest, CloseAsksTheThreadToQuitAndKeepsTheWindow)
{
    ASSERT_EQ(initPlugin(module), 0);
    const std::size_t start = winstub::calls().size();
    EXPECT_EQ(windowProc(displayContext.window, WM_CLOSE, 0, 0), 0);

    const auto quits = winstub::callsNamed("PostQuitMessage");
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_EQ(quits[0].ints[0], 0) << "exit code";
    EXPECT_TRUE(callsAmong(start, releaseCalls).empty()) << "the window is not destroyed here";
    EXPECT_EQ(winstub::callCount("DefWindowProcA"), 0);
    ASSERT_NE(winstub::findWindow(displayContext.window), nullptr);
    EXPECT_TRUE(winstub::findWindow(displayContext.window)->visible);
}

TEST_F(PluginTest, SizeMessageResizesTheView)
{
    winstub::makeGlContextCurrent(64, 64);
    // The test's context stands for the plug-in's own: only that one is resized.
    displayContext.glContext = wglGetCurrentContext();
    EXPECT_EQ(windowProc(someWindow, WM_SIZE, SIZE_RESTORED, (200 << 16) | 300), 0);
    EXPECT_EQ(viewWidth, 300);
    EXPECT_EQ(viewHeight, 200);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 300, 200}));

    // A minimised window reports 0 x 0.
    EXPECT_EQ(windowProc(someWindow, WM_SIZE, 1, 0), 0);
    EXPECT_EQ(viewWidth, 1);
    EXPECT_EQ(viewHeight, 1);
    EXPECT_EQ(winstub::callCount("DefWindowProcA"), 0);
}

TEST_F(PluginTest, SizeMessageWithoutAContextStillRecordsTheSize)
{
    ASSERT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_EQ(windowProc(someWindow, WM_SIZE, SIZE_RESTORED, (240 << 16) | 320), 0);
    EXPECT_EQ(viewWidth, 320);
    EXPECT_EQ(viewHeight, 240);
}

TEST_F(PluginTest, SizeWordsAreUnsigned)
{
    winstub::makeGlContextCurrent(16, 16);
    EXPECT_EQ(windowProc(someWindow, WM_SIZE, SIZE_RESTORED, (0x8001 << 16) | 0x9000), 0);
    EXPECT_EQ(viewWidth, 0x9000) << "not a negative width raised to 1";
    EXPECT_EQ(viewHeight, 0x8001);
}

} // namespace
