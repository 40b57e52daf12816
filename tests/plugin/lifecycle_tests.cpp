// The host's view of the plug-in: the header and module record, and the life of
// one run through init, render and quit.

#include "plugin_fixture.h"

#include "display/context_turn.h"
#include "display/display.h"
#include "display/window_gone.h"
#include "host/settings.h"
#include "render/gl_api.h"
#include "render/view.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <ostream>

namespace {

constexpr LPARAM versionProbe = 505;
constexpr LPARAM windowNotice = 611;

// Position of the first SendMessageA(host window, WM_USER, *, code) at or after `from`.
std::ptrdiff_t findHostMessage(LPARAM code, std::size_t from = 0)
{
    const auto& all = winstub::calls();
    for (std::size_t i = from; i < all.size(); ++i) {
        const winstub::Call& call = all[i];
        if (call.name == "SendMessageA" && call.ints[0] == winstub::handleValue(winstub::hostWindow()) &&
            call.ints[1] == WM_USER && call.ints[3] == code)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void expectDefaultSettings(const PluginSettings& settings)
{
    EXPECT_EQ(settings.smoothImage, 1);
    EXPECT_EQ(settings.fullscreen, 0);
    EXPECT_EQ(settings.feedbackPulse, 0);
    EXPECT_EQ(settings.feedbackExtraPass, 0);
    EXPECT_EQ(settings.feedbackZoom, 10.0f);
    EXPECT_EQ(settings.glowEnabled, 1);
    EXPECT_EQ(settings.tumble, 0);
    EXPECT_EQ(settings.spin, 0);
    EXPECT_EQ(settings.spriteCount, 8);
    EXPECT_EQ(settings.spriteSize, 8.0f);
}

void scrambleSettings()
{
    pluginSettings = PluginSettings{.smoothImage = 0,
                                    .fullscreen = 1,
                                    .feedbackPulse = 1,
                                    .feedbackExtraPass = 1,
                                    .feedbackZoom = -3.0f,
                                    .glowEnabled = 0,
                                    .tumble = 1,
                                    .spin = 1,
                                    .spriteCount = 999,
                                    .spriteSize = 0.5f};
    viewWidth = 3;
    viewHeight = 2;
    hostModule = nullptr;
}

using PluginLifecycleTest = PluginTest;

TEST_F(PluginLifecycleTest, HeaderOffersExactlyOneModule)
{
    const VisHeader* header = winampVisGetHeader();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->version, 0x101);
    EXPECT_STREQ(header->description, "zelVis");
    ASSERT_NE(header->getModule, nullptr);
    EXPECT_EQ(header->getModule(0), &visModule);
    EXPECT_EQ(header->getModule(1), nullptr);
    EXPECT_EQ(header->getModule(-1), nullptr);
    EXPECT_TRUE(winstub::calls().empty()) << "taking the header does no work";
}

TEST_F(PluginLifecycleTest, ModuleRecordCarriesTheEntryPointsAndPlugInFields)
{
    const VisModule* record = getModule(0);
    EXPECT_STREQ(record->description, "zelVis");
    EXPECT_EQ(record->latencyMs, 25);
    EXPECT_EQ(record->delayMs, 25);
    EXPECT_EQ(record->spectrumChannels, 2);
    EXPECT_EQ(record->waveformChannels, 0);
    EXPECT_EQ(record->config, &showAbout);
    EXPECT_EQ(record->init, &initPlugin);
    EXPECT_EQ(record->render, &renderPlugin);
    EXPECT_EQ(record->quit, &quitPlugin);
    EXPECT_EQ(record->userData, nullptr);
}

TEST_F(PluginLifecycleTest, AboutBoxIsOwnedByTheHostAndNamesTheAuthor)
{
    showAbout(module);
    ASSERT_EQ(winstub::messageBoxes().size(), 1u);
    const winstub::MessageBoxShown& box = winstub::messageBoxes()[0];
    EXPECT_EQ(box.owner, winstub::hostWindow());
    EXPECT_EQ(box.caption, "About");
    EXPECT_EQ(box.type, MB_OK);
    EXPECT_TRUE(box.text.starts_with("zelVis by ")) << box.text;
    EXPECT_GT(box.text.size(), std::string("zelVis by .").size()) << "an author is named";
    EXPECT_TRUE(box.text.ends_with(".")) << box.text;
    EXPECT_EQ(winstub::callCount("RegisterClassA"), 0) << "the About box builds nothing";
}

TEST_F(PluginLifecycleTest, HostTooOldGetsOneMessageAndNothingIsBuilt)
{
    winstub::fail(winstub::Failure::versionProbe);
    EXPECT_EQ(initPlugin(module), 1);

    ASSERT_EQ(winstub::messageBoxes().size(), 1u);
    const winstub::MessageBoxShown& box = winstub::messageBoxes()[0];
    EXPECT_EQ(box.owner, winstub::hostWindow());
    EXPECT_EQ(box.text, "This plugin requires Winamp 5.0+");
    EXPECT_EQ(box.caption, "zelVis");
    EXPECT_EQ(box.type, MB_OK);

    const std::ptrdiff_t probe = findHostMessage(versionProbe);
    ASSERT_EQ(probe, 0) << "the probe is the first thing init does with the system";
    EXPECT_EQ(winstub::calls()[0].ints[2], 0) << "probe wParam";
    std::vector<std::string> names;
    for (const winstub::Call& call : winstub::calls())
        names.push_back(call.name);
    EXPECT_EQ(names, (std::vector<std::string>{"SendMessageA", "MessageBoxA"}))
        << "no class, window, context or teardown";
    EXPECT_TRUE(winstub::windows().empty());
}

TEST_F(PluginLifecycleTest, SettingsViewSizeAndHostModuleAreSetAtEveryInit)
{
    scrambleSettings();
    winstub::fail(winstub::Failure::versionProbe);
    EXPECT_EQ(initPlugin(module), 1);
    expectDefaultSettings(pluginSettings);
    EXPECT_EQ(viewWidth, 640);
    EXPECT_EQ(viewHeight, 480);
    EXPECT_EQ(hostModule, module);

    winstub::reset();
    winstub::setModuleFileName(sprites.windowsModulePath());
    scrambleSettings();
    ASSERT_EQ(initPlugin(module), 0);
    expectDefaultSettings(pluginSettings);
    EXPECT_EQ(hostModule, module);
    EXPECT_EQ(winstub::displayModeRequests().size(), 0u) << "the scrambled full-screen flag was reset";
    EXPECT_EQ(quitPlugin(module), TRUE);
}

TEST_F(PluginLifecycleTest, InitBuildsTheDisplayInOrderAndAnnouncesTheWindow)
{
    ASSERT_EQ(initPlugin(module), 0);
    EXPECT_TRUE(winstub::messageBoxes().empty());

    std::ptrdiff_t at = findHostMessage(versionProbe);
    ASSERT_GE(at, 0);
    for (const char* step :
         {"RegisterClassA", "CreateWindowExA", "GetDC", "ChoosePixelFormat", "SetPixelFormat",
          "wglCreateContext", "wglMakeCurrent", "SetWindowLongPtrA"}) {
        const std::ptrdiff_t next = winstub::findCall(step, static_cast<std::size_t>(at));
        ASSERT_GT(next, at) << step << " comes after the step before it";
        at = next;
    }
    const std::ptrdiff_t notice = findHostMessage(windowNotice, static_cast<std::size_t>(at));
    ASSERT_GT(notice, at) << "the window is announced once the context is current";
    EXPECT_EQ(winstub::calls()[static_cast<std::size_t>(notice)].ints[2],
              winstub::handleValue(displayContext.window))
        << "the notice carries the window";
    at = notice;
    for (const char* step : {"ShowWindow", "SetForegroundWindow", "SetFocus", "SwapBuffers"}) {
        const std::ptrdiff_t next = winstub::findCall(step, static_cast<std::size_t>(at));
        ASSERT_GT(next, at) << step << " comes after the step before it";
        at = next;
    }
    EXPECT_EQ(winstub::callCount("SwapBuffers"), 1);
    EXPECT_EQ(findHostMessage(windowNotice, static_cast<std::size_t>(notice) + 1), -1)
        << "announced once";
}

TEST_F(PluginLifecycleTest, WindowIsOwnedByTheHostWithACurrentContextAt640x480)
{
    ASSERT_EQ(initPlugin(module), 0);
    const winstub::Window* window = winstub::findWindow(displayContext.window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->className, "f_zelvis");
    EXPECT_EQ(window->title, "zelVis");
    EXPECT_EQ(window->style, 0x06C80000u) << "caption, system menu, clip siblings and children";
    EXPECT_EQ(window->exStyle, 0x40100u) << "app window, window edge";
    EXPECT_EQ(window->owner, winstub::hostWindow());
    EXPECT_EQ(window->instance, winstub::dllInstance());
    EXPECT_EQ(window->x, 0);
    EXPECT_EQ(window->y, 0);
    EXPECT_EQ(window->clientWidth, 640);
    EXPECT_EQ(window->clientHeight, 480);
    EXPECT_TRUE(window->visible);
    EXPECT_EQ(window->userData, reinterpret_cast<LONG_PTR>(module));
    EXPECT_EQ(window->pixelFormat, winstub::chosenPixelFormat);
    EXPECT_EQ(winstub::foregroundWindow(), displayContext.window);
    EXPECT_EQ(winstub::focusWindow(), displayContext.window);
    EXPECT_EQ(window->deviceContext, displayContext.deviceContext);
    EXPECT_EQ(wglGetCurrentContext(), displayContext.glContext);
    EXPECT_EQ(displayContext.instance, winstub::dllInstance());
    EXPECT_EQ(displayContext.fullscreenActive, 0);

    const auto registrations = winstub::callsNamed("RegisterClassA");
    ASSERT_EQ(registrations.size(), 1u);
    EXPECT_EQ(registrations[0].ints[0], 0) << "no class styles";
    EXPECT_EQ(registrations[0].ints[1], winstub::handleValue(winstub::dllInstance()));
    EXPECT_EQ(registrations[0].ints[2],
              static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&windowProc)));
}

TEST_F(PluginLifecycleTest, PixelFormatAsksForDoubleBufferedRgbWithDepth16AndNoAlpha)
{
    ASSERT_EQ(initPlugin(module), 0);
    std::array<unsigned char, 40> expected{};
    expected[0] = 40;    // nSize
    expected[2] = 1;     // nVersion
    expected[4] = 0x25;  // double buffer, draw to window, OpenGL
    expected[9] = 32;    // colour bits
    expected[23] = 16;   // depth bits
    ASSERT_EQ(winstub::pixelFormatRequests().size(), 2u) << "one for choosing, one for setting";
    for (const PIXELFORMATDESCRIPTOR& request : winstub::pixelFormatRequests()) {
        std::array<unsigned char, 40> seen{};
        std::memcpy(seen.data(), &request, seen.size());
        EXPECT_EQ(seen, expected);
    }
    const auto set = winstub::callsNamed("SetPixelFormat");
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].ints[1], winstub::chosenPixelFormat) << "the chosen format is the one set";
}

TEST_F(PluginLifecycleTest, FirstPresentedFrameIsBlackAtTheWindowSize)
{
    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    ASSERT_EQ(winstub::presentedImages().size(), 1u);
    const winstub::Image& first = winstub::presentedImages()[0];
    EXPECT_EQ(first.width, 640);
    EXPECT_EQ(first.height, 480);
    const auto lit = std::ranges::count_if(first.rgb, [](unsigned char byte) { return byte != 0; });
    EXPECT_EQ(lit, 0) << "bytes not black in the first frame";
}

TEST_F(PluginLifecycleTest, InitLeavesTheViewAndTheFixedGlState)
{
    ASSERT_EQ(initPlugin(module), 0);
    EXPECT_EQ(viewWidth, 640);
    EXPECT_EQ(viewHeight, 480);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 640, 480}));
    std::array<GLdouble, 16> projection{};
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    EXPECT_NEAR(projection[5], 2.4142136, 1e-6) << "the perspective is in place";
    EXPECT_NEAR(projection[11], -1.0, 1e-9);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(glTextureRectangle));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &value);
    EXPECT_EQ(value, GL_NICEST);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    std::array<GLfloat, 4> clearColour{1, 1, 1, 1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour.data());
    EXPECT_EQ(clearColour, (std::array<GLfloat, 4>{0, 0, 0, 0}));
    GLdouble clearDepth = 0;
    glGetDoublev(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0);
}

TEST_F(PluginLifecycleTest, SizeSentWhileTheWindowIsMadeIsHandledBeforeTheContextExists)
{
    ASSERT_EQ(initPlugin(module), 0);
    const std::ptrdiff_t created = winstub::findCall("CreateWindowExA");
    const std::ptrdiff_t size = winstub::findCall("windowProc", static_cast<std::size_t>(created));
    ASSERT_GT(size, created);
    const winstub::Call& delivered = winstub::calls()[static_cast<std::size_t>(size)];
    EXPECT_EQ(delivered.ints[1], WM_SIZE);
    EXPECT_EQ(delivered.ints[3], (480 << 16) | 640);
    EXPECT_LT(size, winstub::findCall("wglCreateContext")) << "it came before any GL context";
    EXPECT_EQ(winstub::callCount("DefWindowProcA"), 0) << "WM_SIZE is the plug-in's own";
}

TEST_F(PluginLifecycleTest, ResizedWindowIsRenderedAtItsNewSize)
{
    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    winstub::resizeWindow(displayContext.window, 800, 600);
    EXPECT_EQ(viewWidth, 800);
    EXPECT_EQ(viewHeight, 600);
    EXPECT_EQ(renderPlugin(module), 0);
    ASSERT_EQ(winstub::presentedImages().size(), 2u);
    EXPECT_EQ(winstub::presentedImages()[1].width, 800);
    EXPECT_EQ(winstub::presentedImages()[1].height, 600);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 800, 600}));
}

std::array<GLint, 4> currentViewport()
{
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    return viewport;
}

TEST_F(PluginLifecycleTest, SizesArrivingWhileAHostsContextIsCurrentLeaveItAlone)
{
    winstub::makeGlContextCurrent(32, 32);
    const HGLRC hostContext = wglGetCurrentContext();
    glViewport(1, 2, 3, 4);
    ASSERT_EQ(initPlugin(module), 0);
    // Made current on the plug-in's window only to be read back.
    ASSERT_TRUE(wglMakeCurrent(displayContext.deviceContext, hostContext));
    EXPECT_EQ(currentViewport(), (std::array<GLint, 4>{1, 2, 3, 4})) << "after the window was made";
    winstub::resizeWindow(displayContext.window, 800, 400);
    EXPECT_EQ(currentViewport(), (std::array<GLint, 4>{1, 2, 3, 4})) << "after the resize";
    EXPECT_EQ(viewWidth, 800);
    EXPECT_EQ(viewHeight, 400);

    ASSERT_TRUE(wglMakeCurrent(displayContext.deviceContext, displayContext.glContext));
    EXPECT_EQ(renderPlugin(module), 0);
    EXPECT_EQ(currentViewport(), (std::array<GLint, 4>{0, 0, 800, 400}))
        << "the frame follows the size";
    std::array<GLdouble, 16> projection{};
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    EXPECT_NEAR(projection[5] / projection[0], 2.0, 1e-5) << "width over height";
}

TEST_F(PluginLifecycleTest, RenderPresentsOneFramePerCallAndAnswersZero)
{
    ASSERT_EQ(initPlugin(module), 0);
    const int swapsAtInit = winstub::callCount("SwapBuffers");
    const int currentAtInit = winstub::callCount("wglGetCurrentContext");
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(renderPlugin(module), 0);
    const auto swaps = winstub::callsNamed("SwapBuffers");
    ASSERT_EQ(static_cast<int>(swaps.size()), swapsAtInit + 3);
    EXPECT_EQ(winstub::callCount("wglMakeCurrent"), 1) << "init's only: the context stays current";
    EXPECT_EQ(winstub::callCount("wglGetCurrentContext"), currentAtInit + 3) << "one a frame";
    EXPECT_EQ(swaps.back().ints[0], winstub::handleValue(displayContext.deviceContext));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PluginLifecycleTest, RenderBeforeAnyInitDoesNothing)
{
    EXPECT_EQ(renderPlugin(module), 0);
    EXPECT_TRUE(winstub::calls().empty()) << "first call: " << winstub::calls()[0].name;
}

struct FailedStep {
    const char* name;
    std::optional<winstub::Failure> failure; // none: the picture is missing
};

void PrintTo(const FailedStep& step, std::ostream* out)
{
    *out << step.name;
}

class FailedInit : public PluginTest, public ::testing::WithParamInterface<FailedStep> {};

// Hosts free the DLL after a failed init without calling quit; others ignore the
// failure and render and quit anyway. Either way nothing may be left standing.
TEST_P(FailedInit, LeavesNothingBehindAndRenderAndQuitDoNothing)
{
    if (GetParam().failure)
        winstub::fail(*GetParam().failure);
    else
        sprites.removePicture();
    ASSERT_EQ(initPlugin(module), 1);
    EXPECT_EQ(winstub::messageBoxes().size(), 1u);
    EXPECT_TRUE(winstub::windows().empty());
    EXPECT_FALSE(winstub::classRegistered("f_zelvis", winstub::dllInstance()));
    EXPECT_EQ(winstub::glContextCount(), 0);
    std::vector<std::int64_t> notices;
    for (const winstub::Call& call : winstub::callsNamed("SendMessageA"))
        if (call.ints[3] == windowNotice)
            notices.push_back(call.ints[2]);
    if (!notices.empty()) {
        EXPECT_EQ(notices.size(), 2u);
        EXPECT_EQ(notices.back(), 0) << "an announced window is withdrawn";
    }

    const std::size_t before = winstub::calls().size();
    EXPECT_EQ(renderPlugin(module), 1) << "1 asks the host to end the visualisation";
    EXPECT_EQ(quitPlugin(module), 0);
    EXPECT_EQ(winstub::calls().size(), before)
        << "first new call: " << winstub::calls()[before].name;
}

INSTANTIATE_TEST_SUITE_P(
    AtEveryStep, FailedInit,
    ::testing::Values(FailedStep{"VersionProbe", winstub::Failure::versionProbe},
                      FailedStep{"RegisterClass", winstub::Failure::registerClass},
                      FailedStep{"CreateWindow", winstub::Failure::createWindow},
                      FailedStep{"PixelFormat", winstub::Failure::choosePixelFormat},
                      FailedStep{"CreateContext", winstub::Failure::createContext},
                      FailedStep{"MakeCurrent", winstub::Failure::makeCurrent},
                      FailedStep{"PictureMissing", std::nullopt}),
    [](const ::testing::TestParamInfo<FailedStep>& step) { return std::string(step.param.name); });

TEST_F(PluginLifecycleTest, QuitWithdrawsTheWindowBeforeReleasingAnything)
{
    ASSERT_EQ(initPlugin(module), 0);
    const HWND window = displayContext.window;
    const HDC deviceContext = displayContext.deviceContext;
    const HGLRC glContext = displayContext.glContext;
    const std::size_t start = winstub::calls().size();

    EXPECT_NE(quitPlugin(module), 0) << "the class was unregistered";
    EXPECT_EQ(runState, RunState::over);

    const std::ptrdiff_t notice = findHostMessage(windowNotice, start);
    ASSERT_EQ(notice, static_cast<std::ptrdiff_t>(start)) << "the notice comes first";
    EXPECT_EQ(winstub::calls()[start].ints[2], 0) << "withdrawn with wParam 0";
    EXPECT_EQ(callsAmong(start, releaseCalls),
              (std::vector<std::string>{"wglMakeCurrent", "wglDeleteContext", "ReleaseDC",
                                        "DestroyWindow", "UnregisterClassA"}));
    EXPECT_EQ(winstub::callsNamed("wglMakeCurrent").back().ints,
              (std::vector<std::int64_t>{0, 0}));
    EXPECT_EQ(winstub::callsNamed("wglDeleteContext").back().ints[0],
              winstub::handleValue(glContext));
    EXPECT_EQ(winstub::callsNamed("ReleaseDC").back().ints,
              (std::vector<std::int64_t>{winstub::handleValue(window),
                                         winstub::handleValue(deviceContext)}));
    EXPECT_EQ(winstub::callsNamed("DestroyWindow").back().ints[0], winstub::handleValue(window));
    EXPECT_EQ(winstub::callsNamed("UnregisterClassA").back().strings[0], "f_zelvis");

    EXPECT_TRUE(winstub::windows().empty());
    EXPECT_FALSE(winstub::classRegistered("f_zelvis", winstub::dllInstance()));
    EXPECT_EQ(displayContext.window, nullptr);
    EXPECT_EQ(displayContext.deviceContext, nullptr);
    EXPECT_EQ(displayContext.glContext, nullptr);
    EXPECT_EQ(winstub::callCount("PostQuitMessage"), 1)
        << "the window's thread hears that the show is over";
}

TEST_F(PluginLifecycleTest, AfterQuitRenderAsksToEndAndASecondQuitDoesNothing)
{
    ASSERT_EQ(initPlugin(module), 0);
    ASSERT_NE(quitPlugin(module), 0);

    // A context of the test's own: a render that drew anything would change it.
    winstub::makeGlContextCurrent(8, 8);
    glClearColor(0.2f, 0.4f, 0.6f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_TEXTURE);
    const std::size_t before = winstub::calls().size();

    EXPECT_EQ(renderPlugin(module), 1);
    EXPECT_EQ(quitPlugin(module), 0);

    EXPECT_EQ(winstub::calls().size(), before)
        << "first new call: " << winstub::calls()[before].name;
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_TEXTURE);
    const winstub::Image image = winstub::readFramebuffer();
    EXPECT_EQ(image.rgb[0], 51);
    EXPECT_EQ(image.rgb[1], 102);
    EXPECT_EQ(image.rgb[2], 153);
}

TEST_F(PluginLifecycleTest, SecondRunAfterQuitDrawsAgain)
{
    ASSERT_EQ(initPlugin(module), 0);
    ASSERT_EQ(renderPlugin(module), 0);
    ASSERT_NE(quitPlugin(module), 0);

    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    EXPECT_EQ(runState, RunState::ready);
    const int swaps = winstub::callCount("SwapBuffers");
    EXPECT_EQ(renderPlugin(module), 0);
    EXPECT_EQ(winstub::callCount("SwapBuffers"), swaps + 1);
    ASSERT_EQ(winstub::presentedImages().size(), 2u);
    EXPECT_EQ(winstub::presentedImages()[1].width, 640);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Lit bytes of the last presented frame: the sprites show as bright values.
long brightBytesPresented()
{
    const auto& shown = winstub::presentedImages().back().rgb;
    return std::ranges::count_if(shown, [](unsigned char byte) { return byte > 128; });
}

// Hosts that call render from a timer or decoder thread: the context is current on
// init's thread, which must let go of it before another thread can draw.
TEST_F(PluginLifecycleTest, RenderOnAnotherThreadDrawsOnceTheWindowsThreadLetsGo)
{
    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    const auto renderElsewhere = [this](HGLRC* leftCurrent) {
        int result = -1;
        std::thread([&] {
            result = renderPlugin(module);
            *leftCurrent = wglGetCurrentContext();
        }).join();
        return result;
    };

    HGLRC leftCurrent = nullptr;
    EXPECT_EQ(renderElsewhere(&leftCurrent), 0);
    EXPECT_EQ(winstub::presentedImages().size(), 1u) << "only init's frame: the first is skipped";
    const auto posted = winstub::callsNamed("PostMessageA");
    ASSERT_EQ(posted.size(), 1u) << "the window's thread is asked to let go";
    EXPECT_EQ(posted[0].ints[0], winstub::handleValue(displayContext.window));
    EXPECT_EQ(wglGetCurrentContext(), displayContext.glContext) << "nothing was taken by force";

    winstub::deliverMessage(displayContext.window, static_cast<UINT>(posted[0].ints[1]), 0, 0);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);

    EXPECT_EQ(renderElsewhere(&leftCurrent), 0);
    ASSERT_EQ(winstub::presentedImages().size(), 2u);
    EXPECT_GT(brightBytesPresented(), 1000) << "the sprites are drawn";
    EXPECT_EQ(leftCurrent, nullptr) << "the rendering thread gives the context back";

    winstub::resizeWindow(displayContext.window, 320, 200);
    EXPECT_EQ(renderElsewhere(&leftCurrent), 0);
    EXPECT_EQ(winstub::presentedImages().back().width, 320) << "a size taken on the window's thread";

    // Sizes arriving on the window's thread while the other draws: the last one wins,
    // whichever frame it lands in.
    std::atomic<bool> resizing = true;
    std::atomic<int> frames = 0;
    std::thread renderer([&] {
        while (resizing || frames < 2)
            frames += renderPlugin(module) == 0 ? 1 : 1000;
    });
    while (frames == 0)
        std::this_thread::yield();
    for (int step = 1; step <= 40; ++step)
        winstub::resizeWindow(displayContext.window, 100 + 5 * step, 80 + 3 * step);
    resizing = false;
    renderer.join();
    ASSERT_LT(frames, 1000) << "every frame drawn while the sizes came";
    EXPECT_EQ(renderElsewhere(&leftCurrent), 0);
    EXPECT_EQ(winstub::presentedImages().back().width, 300);
    EXPECT_EQ(winstub::presentedImages().back().height, 200);
    EXPECT_EQ(viewWidth, 300);
    EXPECT_EQ(viewHeight, 200);
    EXPECT_NE(quitPlugin(module), 0);
    EXPECT_EQ(winstub::glContextCount(), 0) << "quit on the window's thread deletes the context";
}

// The host destroys its window, and with it the plug-in's, on the window's thread
// while its render thread draws; the window's thread lets go of the context first.
void letTheWindowsThreadGo(int width, int height)
{
    winstub::resizeWindow(displayContext.window, width, height);
    winstub::deliverMessage(displayContext.window, contextReleaseRequest, 0, 0);
}

void expectNothingLeft()
{
    EXPECT_EQ(winstub::glContextCount(), 0) << "the render thread gave the context back";
    EXPECT_TRUE(winstub::windows().empty());
    EXPECT_FALSE(winstub::classRegistered("f_zelvis", winstub::dllInstance()));
}

// Stopped at its clock, after it took the context, until the window's thread has
// begun to destroy the window: the window stands until the frame ends, and the
// frame presents nothing into a window that is going.
TEST_F(PluginLifecycleTest, WindowDestroyedWhileAFrameIsDrawnElsewhereWaitsForTheFrame)
{
    ASSERT_EQ(initPlugin(module), 0);
    const std::int64_t deviceContext = winstub::handleValue(displayContext.deviceContext);
    letTheWindowsThreadGo(64, 48);
    std::atomic<bool> stopped = false;
    std::atomic<bool> stoodWhileGoing = false;
    winstub::onTickCount([&] {
        if (stopped.exchange(true))
            return;
        while (!windowGone())
            std::this_thread::yield();
        // Time enough for a window procedure that waits for nothing to finish.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stoodWhileGoing = !winstub::windows().empty();
    });
    int result = -1;
    std::thread renderer([&] { result = renderPlugin(module); });
    while (!stopped)
        std::this_thread::yield();
    const std::size_t destroyedAt = winstub::calls().size();
    EXPECT_TRUE(DestroyWindow(winstub::hostWindow()));
    renderer.join();
    winstub::onTickCount({});

    EXPECT_TRUE(stoodWhileGoing) << "the window went while a frame was drawn into it";
    EXPECT_EQ(result, 1) << "the frame under way asks the host to end";
    for (std::size_t i = destroyedAt; i < winstub::calls().size(); ++i) {
        const winstub::Call& call = winstub::calls()[i];
        EXPECT_NE(call.name, "SwapBuffers") << "swapped after the window went";
        EXPECT_FALSE(call.name == "wglMakeCurrent" && call.ints[0] == deviceContext)
            << "the dead window's device context named at call " << i;
    }
    const std::size_t before = winstub::calls().size();
    EXPECT_EQ(renderPlugin(module), 1);
    EXPECT_EQ(winstub::calls().size(), before) << "a later render calls nothing";
    EXPECT_NE(quitPlugin(module), 0);
    expectNothingLeft();
    EXPECT_EQ(winstub::callCount("ReleaseDC"), 0);
}

// Without a stop, many times in a row, the window going after 0, 1 or 2 frames:
// under ThreadSanitizer, no report; every time the render thread's loop ends on
// render's 1, the window's thread hears that the show is over, and quit leaves
// nothing.
TEST_F(PluginLifecycleTest, WindowDestroyedWhileAnotherThreadDrawsManyTimesInARow)
{
    for (int run = 0; run < 20; ++run) {
        winstub::clearCalls();
        ASSERT_EQ(initPlugin(module), 0) << "run " << run;
        letTheWindowsThreadGo(32, 24);
        std::atomic<int> frames = 0;
        std::thread renderer([&] {
            while (renderPlugin(module) == 0)
                ++frames;
        });
        while (frames < run % 3)
            std::this_thread::yield();
        EXPECT_TRUE(DestroyWindow(winstub::hostWindow()));
        renderer.join();
        EXPECT_EQ(renderPlugin(module), 1) << "run " << run;
        EXPECT_EQ(winstub::callCount("PostQuitMessage"), 1) << "run " << run;
        EXPECT_NE(quitPlugin(module), 0) << "run " << run;
        expectNothingLeft();
    }
}

// A host with a context of its own current between frames keeps it, untouched.
TEST_F(PluginLifecycleTest, RenderDrawsInItsOwnContextAndPutsTheHostsBack)
{
    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    winstub::makeGlContextCurrent(8, 8);
    const HGLRC hostContext = wglGetCurrentContext();
    glClearColor(0.2f, 0.4f, 0.6f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    EXPECT_EQ(renderPlugin(module), 0);

    ASSERT_EQ(winstub::presentedImages().size(), 2u);
    EXPECT_GT(brightBytesPresented(), 1000) << "the sprites are drawn";
    EXPECT_EQ(wglGetCurrentContext(), hostContext);
    const winstub::Image image = winstub::readFramebuffer();
    EXPECT_EQ(image.width, 8);
    EXPECT_EQ((std::array<int, 3>{image.rgb[0], image.rgb[1], image.rgb[2]}),
              (std::array<int, 3>{51, 102, 153}))
        << "the host's framebuffer is as the host left it";
    EXPECT_NE(quitPlugin(module), 0);
    EXPECT_EQ(wglGetCurrentContext(), hostContext) << "quit leaves the host's context current";
}

// The likeliest installation mistake: the picture is missing. Once the user puts
// it back, the next start in the same load of the DLL must work.
TEST_F(PluginLifecycleTest, StartAfterAMissingPictureWorksOnceThePictureIsBack)
{
    sprites.removePicture();
    ASSERT_EQ(initPlugin(module), 1);
    ASSERT_EQ(winstub::messageBoxes().size(), 1u);
    EXPECT_EQ(winstub::messageBoxes()[0].text, "Image load failed.");

    sprites.putPictureBack();
    winstub::keepPresentedImages();
    ASSERT_EQ(initPlugin(module), 0);
    EXPECT_EQ(winstub::messageBoxes().size(), 1u) << "no ERRORCODE1";
    EXPECT_EQ(renderPlugin(module), 0);
    ASSERT_EQ(winstub::presentedImages().size(), 2u);
    EXPECT_GT(brightBytesPresented(), 1000) << "the sprites are drawn";
    EXPECT_NE(quitPlugin(module), 0);
}

// Hosts that wait for their rendering thread without pumping their window's
// messages while quit runs: the withdrawal may not wait for an answer for ever.
TEST_F(PluginLifecycleTest, QuitDoesNotWaitForAHostThatStoppedPumping)
{
    winstub::setHostThread(winstub::HostThread::otherPumping);
    ASSERT_EQ(initPlugin(module), 0);
    winstub::setHostThread(winstub::HostThread::otherStopped);

    EXPECT_NE(quitPlugin(module), 0) << "the teardown went on";
    EXPECT_EQ(winstub::blockedSends(), 0) << "a send that would never have returned";
    const auto sent = winstub::callsNamed("SendMessageTimeoutA");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].ints[3], windowNotice);
    EXPECT_EQ(sent[0].ints[2], 0) << "withdrawn";
    EXPECT_NE(sent[0].ints[4] & SMTO_ABORTIFHUNG, 0);
    EXPECT_LE(sent[0].ints[5], 1000) << "milliseconds the withdrawal may wait";
    EXPECT_TRUE(winstub::windows().empty());
}

// Hosts that leave dllInstance null still get the class and the picture right.
TEST_F(PluginLifecycleTest, NullInstanceIsTakenFromThePlugInsOwnCode)
{
    module->dllInstance = nullptr;
    ASSERT_EQ(initPlugin(module), 0);
    EXPECT_TRUE(winstub::messageBoxes().empty()) << winstub::messageBoxes()[0].text;
    EXPECT_TRUE(winstub::classRegistered("f_zelvis", winstub::dllInstance()));
    EXPECT_EQ(winstub::findWindow(displayContext.window)->instance, winstub::dllInstance());
    for (const winstub::Call& call : winstub::callsNamed("GetModuleFileNameW"))
        EXPECT_EQ(call.ints[0], winstub::handleValue(winstub::dllInstance()))
            << "the picture is looked for beside the DLL, not the host's program";
    EXPECT_NE(quitPlugin(module), 0);
    EXPECT_FALSE(winstub::classRegistered("f_zelvis", winstub::dllInstance()));
}

} // namespace
