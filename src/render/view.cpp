#include "render/view.h"

#include "render/gl_api.h"
#include "render/view_capture.h"

#include <algorithm>
#include <cmath>

std::atomic<int> viewWidth = referenceViewWidth;
std::atomic<int> viewHeight = referenceViewHeight;
std::atomic<bool> viewSizePending = false;

namespace {

constexpr float fieldOfViewDegrees = 45.0f;
constexpr float nearPlane = 0.1f;
constexpr float farPlane = 256.0f;
// Turns the whole field of view in degrees into half of it in radians.
constexpr double halfAngleRadiansPerDegree = 3.14159265358979323846 / 360.0;
constexpr float perReferenceWidth = 1.0f / referenceViewWidth;
constexpr float perReferenceHeight = 1.0f / referenceViewHeight;

} // namespace

void initGlState()
{
    rectangleTextures =
        offersRectangleTextures(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    glEnable(GL_TEXTURE_2D);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void recordViewSize(int width, int height)
{
    // A minimised window reports 0 x 0; the aspect ratios must never divide by zero.
    viewWidth.store(std::max(width, 1), std::memory_order_relaxed);
    viewHeight.store(std::max(height, 1), std::memory_order_relaxed);
    viewSizePending.store(true, std::memory_order_release);
}

void resizeView(int width, int height)
{
    recordViewSize(width, height);
    applyPendingViewSize();
}

void applyPendingViewSize()
{
    // Taken before the size is read: a size stored meanwhile on the window's thread
    // leaves the flag set again, and the next frame applies that one too.
    if (!viewSizePending.exchange(false, std::memory_order_acquire))
        return;
    const int width = viewWidth.load(std::memory_order_relaxed);
    const int height = viewHeight.load(std::memory_order_relaxed);
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const auto aspect = static_cast<float>(static_cast<double>(width) / height);
    setPerspective(fieldOfViewDegrees, aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void setPerspective(float fieldOfView, float aspect, float zNear, float zFar)
{
    const double top = std::tan(fieldOfView * halfAngleRadiansPerDegree) * zNear;
    const auto bottom = static_cast<float>(-top);
    glFrustum(bottom * aspect, top * aspect, bottom, top, zNear, zFar);
}

void beginOverlay()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewWidth, viewHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void endOverlay()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

float scaleToViewX(float x)
{
    return static_cast<float>(viewWidth) * perReferenceWidth * x;
}

float scaleToViewY(float y)
{
    return static_cast<float>(viewHeight) * perReferenceHeight * y;
}
