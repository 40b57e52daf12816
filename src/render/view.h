#pragma once
// The GL state set once per context, and the view geometry: the perspective the
// sprites are drawn in and the pixel overlay of the full-window passes.

#include <atomic>

// The client size the window last reported, in pixels; at least 1 once a size was
// taken. WM_SIZE stores it on the window's thread while some hosts render on
// another, so both halves are atomic and the pending flag is released after them.
extern std::atomic<int> viewWidth;
extern std::atomic<int> viewHeight;
// A size taken while the plug-in's own context was not current on the window's
// thread is not yet the viewport and perspective of that context; the thread that
// next draws in it applies the size.
extern std::atomic<bool> viewSizePending;

constexpr int referenceViewWidth = 640;
constexpr int referenceViewHeight = 480;

void initGlState();
// Takes the size and applies it to the current context.
void resizeView(int width, int height);
// Takes the size as resizeView does, without a GL call.
void recordViewSize(int width, int height);
// Applies a size taken since the last one applied; the plug-in's context must be
// current on the calling thread.
void applyPendingViewSize();
void setPerspective(float fieldOfView, float aspect, float zNear, float zFar);
void beginOverlay();
void endOverlay();
float scaleToViewX(float x);
float scaleToViewY(float y);
