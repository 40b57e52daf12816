#pragma once
// The GL state set once per context, and the view geometry: the perspective the
// sprites are drawn in and the pixel overlay of the full-window passes.

// Current client size in pixels; at least 1 once a size was taken.
extern int viewWidth;
extern int viewHeight;
// A size taken while another context was current is not yet the viewport and
// perspective of the plug-in's own; the next frame applies it.
extern bool viewSizePending;

constexpr int referenceViewWidth = 640;
constexpr int referenceViewHeight = 480;

void initGlState();
void resizeView(int width, int height);
// Takes the size as resizeView does, without a GL call.
void recordViewSize(int width, int height);
void setPerspective(float fieldOfView, float aspect, float zNear, float zFar);
void beginOverlay();
void endOverlay();
float scaleToViewX(float x);
float scaleToViewY(float y);
