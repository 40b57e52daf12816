// Real Mesa OpenGL behind the WGL calls. Each context is an EGL context on the
// surfaceless platform (compatibility profile, no surface); a framebuffer object
// of the window's client size stands in for the window's buffers: RGB8 colour,
// because the plug-in's pixel format asks for no alpha bits, or RGBA8 where a test
// plays a driver that gives them anyway, and a 16-bit depth buffer.
//
// glGetString is wrapped at link time for everything linked with the stand-in,
// so that a test can play a driver with a shorter extension list.

#define EGL_NO_X11
#define GL_GLEXT_PROTOTYPES

#include "stub_state.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

using namespace winstub;
using namespace winstub::detail;

namespace {

struct GlContext {
    EGLContext context;
    HWND window;  // the window it was last made current on; null for test contexts
    int width;    // size of the framebuffer storage; 0 until first made current
    int height;
    GLuint framebuffer;
    GLuint colour;
    GLuint depth;
    DWORD holder;  // the thread it is current on; 0 where it is current nowhere
};

std::map<HGLRC, GlContext> contexts;
thread_local HGLRC current = nullptr;
EGLDisplay openedDisplay = EGL_NO_DISPLAY;

[[noreturn]] void eglFailure(const std::string& what)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    throw std::runtime_error("winstub: " + what + " failed (EGL error " + code +
                             "); Mesa's EGL with the surfaceless platform is needed");
}

EGLDisplay display()
{
    if (openedDisplay != EGL_NO_DISPLAY)
        return openedDisplay;
    EGLDisplay candidate =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, nullptr, nullptr))
        eglFailure("opening the surfaceless display");
    openedDisplay = candidate;
    return openedDisplay;
}

// New storage holds whatever the driver left there; fill it with something no
// correct frame shows (magenta, depth 0), so a frame that is not cleared is seen.
void fillWithGarbage()
{
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPopAttrib();
}

// Sizes the storage of the context's framebuffer; the context must be current.
void sizeFramebuffer(GlContext& context, int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (context.width == width && context.height == height)
        return;
    GLint boundRenderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &boundRenderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, context.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, state().framebufferAlpha ? GL_RGBA8 : GL_RGB8, width,
                          height);
    glBindRenderbuffer(GL_RENDERBUFFER, context.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(boundRenderbuffer));
    glBindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
    fillWithGarbage();
    context.width = width;
    context.height = height;
}

void createFramebuffer(GlContext& context)
{
    glGenFramebuffers(1, &context.framebuffer);
    glGenRenderbuffers(1, &context.colour);
    glGenRenderbuffers(1, &context.depth);
    GLint boundRenderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &boundRenderbuffer);
    // Binding a renderbuffer name makes the object, which attaching requires.
    glBindRenderbuffer(GL_RENDERBUFFER, context.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, context.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(boundRenderbuffer));
    glBindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              context.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, context.depth);
}

void makeCurrent(HGLRC handle, int width, int height)
{
    GlContext& context = contexts.at(handle);
    if (!eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, context.context))
        eglFailure("eglMakeCurrent");
    current = handle;
    context.holder = GetCurrentThreadId();
    if (context.framebuffer != 0) {
        glBindFramebuffer(GL_FRAMEBUFFER, context.framebuffer);
        sizeFramebuffer(context, width, height);
        return;
    }
    createFramebuffer(context);
    sizeFramebuffer(context, width, height);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        throw std::runtime_error("winstub: the stand-in window framebuffer is incomplete");
    // Like a window's first make-current under WGL: the viewport covers the window.
    glViewport(0, 0, context.width, context.height);
    glScissor(0, 0, context.width, context.height);
}

HGLRC newContext(HWND window)
{
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLDisplay shown = display();
    if (!eglBindAPI(EGL_OPENGL_API))
        eglFailure("eglBindAPI(EGL_OPENGL_API)");
    EGLContext context = eglCreateContext(shown, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT)
        eglFailure("eglCreateContext");
    const auto handle = makeHandle<HGLRC>();
    contexts[handle] = GlContext{.context = context,
                                 .window = window,
                                 .width = 0,
                                 .height = 0,
                                 .framebuffer = 0,
                                 .colour = 0,
                                 .depth = 0,
                                 .holder = 0};
    return handle;
}

} // namespace

extern "C" {

const GLubyte* __real_glGetString(GLenum name);

const GLubyte* __wrap_glGetString(GLenum name)
{
    if (name == GL_EXTENSIONS && state().glExtensions)
        return reinterpret_cast<const GLubyte*>(state().glExtensions->c_str());
    return __real_glGetString(name);
}

} // extern "C"

namespace winstub::detail {

HGLRC createGlContext(HWND window)
{
    return newContext(window);
}

bool bindGlContext(HGLRC handle, HWND window)
{
    const std::lock_guard held(sharedStateLock());
    const WindowRecord* target = windowRecord(window);
    auto found = contexts.find(handle);
    if (found == contexts.end())
        return false;
    // A test's own context has no window: it goes back to its framebuffer as it was.
    const bool windowless = window == nullptr && found->second.window == nullptr;
    if (target == nullptr && !windowless)
        return false;
    if (found->second.holder != 0 && found->second.holder != GetCurrentThreadId())
        return false;
    if (current != nullptr && current != handle)
        contexts.at(current).holder = 0;
    if (windowless) {
        makeCurrent(handle, found->second.width, found->second.height);
        return true;
    }
    found->second.window = window;
    makeCurrent(handle, target->info.clientWidth, target->info.clientHeight);
    return true;
}

void releaseGlContext()
{
    const std::lock_guard held(sharedStateLock());
    if (current != nullptr)
        contexts.at(current).holder = 0;
    if (openedDisplay != EGL_NO_DISPLAY)
        eglMakeCurrent(openedDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    current = nullptr;
}

bool deleteGlContext(HGLRC handle)
{
    const std::lock_guard held(sharedStateLock());
    auto found = contexts.find(handle);
    if (found == contexts.end())
        return false;
    if (found->second.holder != 0 && found->second.holder != GetCurrentThreadId())
        return false;
    if (current == handle)
        releaseGlContext();
    eglDestroyContext(display(), found->second.context);
    contexts.erase(found);
    return true;
}

HGLRC currentGlContext()
{
    return current;
}

HWND currentGlWindow()
{
    const std::lock_guard held(sharedStateLock());
    return current ? contexts.at(current).window : nullptr;
}

void windowResized(HWND window)
{
    if (current == nullptr || contexts.at(current).window != window)
        return;
    const WindowRecord* target = windowRecord(window);
    sizeFramebuffer(contexts.at(current), target->info.clientWidth, target->info.clientHeight);
}

void endAllGlContexts()
{
    releaseGlContext();
    for (auto& [handle, context] : contexts)
        eglDestroyContext(display(), context.context);
    contexts.clear();
}

} // namespace winstub::detail

namespace winstub {

void makeGlContextCurrent(int width, int height)
{
    if (current != nullptr)
        contexts.at(current).holder = 0;
    makeCurrent(newContext(nullptr), width, height);
}

int glContextCount()
{
    return static_cast<int>(contexts.size());
}

Image readFramebuffer()
{
    if (current == nullptr)
        throw std::logic_error("winstub::readFramebuffer: no GL context is current");
    const GlContext& context = contexts.at(current);
    Image image{.width = context.width,
                .height = context.height,
                .rgb = std::vector<unsigned char>(
                    static_cast<std::size_t>(context.width) * context.height * 3)};
    const std::size_t rowBytes = static_cast<std::size_t>(context.width) * 3;
    std::vector<unsigned char> bottomUp(image.rgb.size());
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, context.width, context.height, GL_RGB, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    for (int row = 0; row < context.height; ++row) {
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>(rowBytes) * row, rowBytes,
                    image.rgb.begin() +
                        static_cast<std::ptrdiff_t>(rowBytes) * (context.height - 1 - row));
    }
    return image;
}

} // namespace winstub
