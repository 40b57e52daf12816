#include "gl_call_log.h"

#include "render/gl_api.h"

#include <algorithm>
#include <initializer_list>
#include <iomanip>
#include <iterator>
#include <sstream>

namespace {

bool recording = false;
std::vector<glCallLog::GlCall> callLog;

void record(const char* name, std::initializer_list<double> args)
{
    if (recording)
        callLog.push_back({name, args});
}

} // namespace

extern "C" {

void __real_glBegin(GLenum mode);
void __real_glEnd();
void __real_glVertex2f(GLfloat x, GLfloat y);
void __real_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void __real_glTexCoord2f(GLfloat s, GLfloat t);
void __real_glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void __real_glBindTexture(GLenum target, GLuint texture);
void __real_glEnable(GLenum cap);
void __real_glDisable(GLenum cap);
void __real_glBlendFunc(GLenum source, GLenum dest);
void __real_glAlphaFunc(GLenum func, GLclampf ref);
void __real_glDepthMask(GLboolean flag);
void __real_glCullFace(GLenum mode);
void __real_glLoadIdentity();
void __real_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void __real_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void __real_glClear(GLbitfield mask);
void __real_glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x,
                                GLint y, GLsizei width, GLsizei height);
void __real_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const GLvoid* pixels);
void __real_glTexParameteri(GLenum target, GLenum name, GLint value);
void __real_glMatrixMode(GLenum mode);
void __real_glPushMatrix();
void __real_glPopMatrix();
void __real_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                    GLdouble zFar);
void __real_glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                      GLdouble zNear, GLdouble zFar);

void __wrap_glBegin(GLenum mode)
{
    record("glBegin", {static_cast<double>(mode)});
    __real_glBegin(mode);
}

void __wrap_glEnd()
{
    record("glEnd", {});
    __real_glEnd();
}

void __wrap_glVertex2f(GLfloat x, GLfloat y)
{
    record("glVertex2f", {x, y});
    __real_glVertex2f(x, y);
}

void __wrap_glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    record("glVertex3f", {x, y, z});
    __real_glVertex3f(x, y, z);
}

void __wrap_glTexCoord2f(GLfloat s, GLfloat t)
{
    record("glTexCoord2f", {s, t});
    __real_glTexCoord2f(s, t);
}

void __wrap_glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    record("glColor4f", {red, green, blue, alpha});
    __real_glColor4f(red, green, blue, alpha);
}

void __wrap_glBindTexture(GLenum target, GLuint texture)
{
    record("glBindTexture", {static_cast<double>(target), static_cast<double>(texture)});
    __real_glBindTexture(target, texture);
}

void __wrap_glEnable(GLenum cap)
{
    record("glEnable", {static_cast<double>(cap)});
    __real_glEnable(cap);
}

void __wrap_glDisable(GLenum cap)
{
    record("glDisable", {static_cast<double>(cap)});
    __real_glDisable(cap);
}

void __wrap_glBlendFunc(GLenum source, GLenum dest)
{
    record("glBlendFunc", {static_cast<double>(source), static_cast<double>(dest)});
    __real_glBlendFunc(source, dest);
}

void __wrap_glAlphaFunc(GLenum func, GLclampf ref)
{
    record("glAlphaFunc", {static_cast<double>(func), ref});
    __real_glAlphaFunc(func, ref);
}

void __wrap_glDepthMask(GLboolean flag)
{
    record("glDepthMask", {static_cast<double>(flag)});
    __real_glDepthMask(flag);
}

void __wrap_glCullFace(GLenum mode)
{
    record("glCullFace", {static_cast<double>(mode)});
    __real_glCullFace(mode);
}

void __wrap_glLoadIdentity()
{
    record("glLoadIdentity", {});
    __real_glLoadIdentity();
}

void __wrap_glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    record("glTranslatef", {x, y, z});
    __real_glTranslatef(x, y, z);
}

void __wrap_glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    record("glRotatef", {angle, x, y, z});
    __real_glRotatef(angle, x, y, z);
}

void __wrap_glClear(GLbitfield mask)
{
    record("glClear", {static_cast<double>(mask)});
    __real_glClear(mask);
}

void __wrap_glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x,
                                GLint y, GLsizei width, GLsizei height)
{
    record("glCopyTexSubImage2D",
           {static_cast<double>(target), static_cast<double>(level), static_cast<double>(xoffset),
            static_cast<double>(yoffset), static_cast<double>(x), static_cast<double>(y),
            static_cast<double>(width), static_cast<double>(height)});
    __real_glCopyTexSubImage2D(target, level, xoffset, yoffset, x, y, width, height);
}

void __wrap_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                         GLsizei height, GLint border, GLenum format, GLenum type,
                         const GLvoid* pixels)
{
    record("glTexImage2D",
           {static_cast<double>(target), static_cast<double>(level),
            static_cast<double>(internalFormat), static_cast<double>(width),
            static_cast<double>(height), static_cast<double>(border), static_cast<double>(format),
            static_cast<double>(type), pixels == nullptr ? 0.0 : 1.0});
    __real_glTexImage2D(target, level, internalFormat, width, height, border, format, type,
                        pixels);
}

void __wrap_glTexParameteri(GLenum target, GLenum name, GLint value)
{
    record("glTexParameteri",
           {static_cast<double>(target), static_cast<double>(name), static_cast<double>(value)});
    __real_glTexParameteri(target, name, value);
}

void __wrap_glMatrixMode(GLenum mode)
{
    record("glMatrixMode", {static_cast<double>(mode)});
    __real_glMatrixMode(mode);
}

void __wrap_glPushMatrix()
{
    record("glPushMatrix", {});
    __real_glPushMatrix();
}

void __wrap_glPopMatrix()
{
    record("glPopMatrix", {});
    __real_glPopMatrix();
}

void __wrap_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                    GLdouble zFar)
{
    record("glOrtho", {left, right, bottom, top, zNear, zFar});
    __real_glOrtho(left, right, bottom, top, zNear, zFar);
}

void __wrap_glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                      GLdouble zNear, GLdouble zFar)
{
    record("glFrustum", {left, right, bottom, top, zNear, zFar});
    __real_glFrustum(left, right, bottom, top, zNear, zFar);
}

} // extern "C"

namespace glCallLog {

void start()
{
    callLog.clear();
    recording = true;
}

void stop()
{
    recording = false;
}

const std::vector<GlCall>& calls()
{
    return callLog;
}

std::vector<GlCall> named(std::string_view name)
{
    std::vector<GlCall> found;
    std::ranges::copy_if(callLog, std::back_inserter(found),
                         [name](const GlCall& call) { return call.name == name; });
    return found;
}

int count(std::string_view name)
{
    return static_cast<int>(std::ranges::count_if(
        callLog, [name](const GlCall& call) { return call.name == name; }));
}

std::vector<std::string> names()
{
    std::vector<std::string> all;
    all.reserve(callLog.size());
    for (const GlCall& call : callLog)
        all.push_back(call.name);
    return all;
}

std::string describe(const GlCall& call)
{
    std::ostringstream text;
    text << call.name << '(' << std::setprecision(9);
    for (std::size_t i = 0; i < call.args.size(); ++i)
        text << (i ? ", " : "") << call.args[i];
    text << ')';
    return text.str();
}

std::vector<std::string> describeAll(const std::vector<GlCall>& calls)
{
    std::vector<std::string> text;
    text.reserve(calls.size());
    for (const GlCall& call : calls)
        text.push_back(describe(call));
    return text;
}

} // namespace glCallLog
