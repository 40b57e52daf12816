#pragma once
// Records the OpenGL calls made by code linked into the test executable (the
// plug-in and the stand-in): the executable is linked with --wrap for each of
// the functions below, so they come through here on their way to Mesa.
//
// Wrapped: glBegin glEnd glVertex2f glVertex3f glTexCoord2f glColor4f
// glBindTexture glEnable glDisable glBlendFunc glAlphaFunc glDepthMask glCullFace
// glLoadIdentity glTranslatef glRotatef glClear glCopyTexSubImage2D glTexImage2D
// glTexParameteri glMatrixMode glPushMatrix glPopMatrix glOrtho glFrustum.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glCallLog {

// One call; every argument as a double (enums, names and sizes are exact).
struct GlCall {
    std::string name;
    std::vector<double> args;
};

// Forgets what was recorded and records every wrapped call from now until stop().
void start();
void stop();

const std::vector<GlCall>& calls();
// The recorded calls of that name, in order.
std::vector<GlCall> named(std::string_view name);
int count(std::string_view name);
// The names of all recorded calls, in order.
std::vector<std::string> names();

// A call as text, "glBlendFunc(769, 775)", arguments to 9 significant digits, so
// that a list of calls compares and prints readably.
std::string describe(const GlCall& call);
std::vector<std::string> describeAll(const std::vector<GlCall>& calls);

} // namespace glCallLog
