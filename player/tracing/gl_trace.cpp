#include "tracing/gl_trace.h"

#include "tracing/hex_float.h"
#include "import_patch.h"
#include "utf8_file.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>

namespace {

struct TraceState {
    std::FILE* file = nullptr;
    bool failed = false;
    long lines = 0;
};

TraceState trace;

void appendArgument(std::string& line, unsigned int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    line += text;
}

void appendArgument(std::string& line, int value)
{
    line += std::to_string(value);
}

void appendArgument(std::string& line, unsigned char value)
{
    line += std::to_string(value);
}

void appendArgument(std::string& line, double value)
{
    line += hexFloat(value);
}

template <typename T>
void appendArgument(std::string& line, T* pointer)
{
    line += pointer != nullptr ? "handle" : "null";
}

void writeLine(const std::string& line)
{
    if (trace.file == nullptr) {
        return;
    }
    if (std::fwrite(line.data(), 1, line.size(), trace.file) != line.size()) {
        trace.failed = true;
    }
    ++trace.lines;
}

template <typename... Arguments>
void writeCall(const char* name, const std::tuple<Arguments...>& arguments)
{
    std::string line = name;
    line += '(';
    std::apply(
        [&line](const auto&... each) {
            [[maybe_unused]] const char* separator = "";
            ((line += separator, appendArgument(line, each), separator = ", "), ...);
        },
        arguments);
    line += ")\n";
    writeLine(line);
}

// FNV-1a over the bytes the upload reads.
std::uint32_t checksum(const unsigned char* bytes, std::size_t count)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

// The bytes glTexImage2D reads from `pixels`, for the layouts the trace knows;
// 0 for any other, whose data is then left out.
std::size_t uploadLength(GLsizei width, GLsizei height, GLenum format, GLenum type)
{
    std::size_t components = 0;
    if (format == GL_RGBA) {
        components = 4;
    } else if (format == GL_RGB) {
        components = 3;
    }
    std::size_t componentBytes = 0;
    if (type == GL_UNSIGNED_BYTE) {
        componentBytes = 1;
    } else if (type == GL_FLOAT) {
        componentBytes = 4;
    }
    if (components == 0 || componentBytes == 0 || width <= 0 || height <= 0) {
        return 0;
    }
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    const auto align = static_cast<std::size_t>(alignment > 0 ? alignment : 1);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components * componentBytes;
    const std::size_t stride = (rowBytes + align - 1) / align * align;
    return stride * static_cast<std::size_t>(height - 1) + rowBytes;
}

// Every function the trace can stand in for: result, name, parameters, and the
// parameters' names again to pass them on.
#define ZELPLAY_TRACED_GL(X)                                                                      \
    X(void, glAlphaFunc, (GLenum func, GLclampf ref), (func, ref))                                \
    X(void, glBegin, (GLenum mode), (mode))                                                       \
    X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))                    \
    X(void, glBlendFunc, (GLenum source, GLenum destination), (source, destination))              \
    X(void, glClear, (GLbitfield mask), (mask))                                                   \
    X(void, glClearColor, (GLclampf r, GLclampf g, GLclampf b, GLclampf a), (r, g, b, a))         \
    X(void, glClearDepth, (GLclampd depth), (depth))                                              \
    X(void, glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a))                \
    X(void, glCopyTexSubImage2D,                                                                  \
      (GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y, GLsizei width, \
       GLsizei height),                                                                           \
      (target, level, xOffset, yOffset, x, y, width, height))                                     \
    X(void, glCullFace, (GLenum mode), (mode))                                                    \
    X(void, glDepthFunc, (GLenum func), (func))                                                   \
    X(void, glDepthMask, (GLboolean flag), (flag))                                                \
    X(void, glDisable, (GLenum cap), (cap))                                                       \
    X(void, glEnable, (GLenum cap), (cap))                                                        \
    X(void, glEnd, (), ())                                                                        \
    X(void, glFrustum,                                                                            \
      (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,              \
       GLdouble zFar),                                                                            \
      (left, right, bottom, top, zNear, zFar))                                                    \
    X(const GLubyte*, glGetString, (GLenum name), (name))                                         \
    X(void, glHint, (GLenum target, GLenum mode), (target, mode))                                 \
    X(void, glLoadIdentity, (), ())                                                               \
    X(void, glMatrixMode, (GLenum mode), (mode))                                                  \
    X(void, glOrtho,                                                                              \
      (GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,              \
       GLdouble zFar),                                                                            \
      (left, right, bottom, top, zNear, zFar))                                                    \
    X(void, glPopMatrix, (), ())                                                                  \
    X(void, glPushMatrix, (), ())                                                                 \
    X(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z))        \
    X(void, glShadeModel, (GLenum mode), (mode))                                                  \
    X(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t))                                         \
    X(void, glTexParameterf, (GLenum target, GLenum name, GLfloat value), (target, name, value))  \
    X(void, glTexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))    \
    X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                           \
    X(void, glVertex2f, (GLfloat x, GLfloat y), (x, y))                                           \
    X(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                             \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height)) \
    X(HGLRC, wglCreateContext, (HDC deviceContext), (deviceContext))                              \
    X(BOOL, wglDeleteContext, (HGLRC context), (context))                                         \
    X(HGLRC, wglGetCurrentContext, (), ())                                                        \
    X(HDC, wglGetCurrentDC, (), ())                                                               \
    X(BOOL, wglMakeCurrent, (HDC deviceContext, HGLRC context), (deviceContext, context))

// The plug-in's own function, and the stand-in that writes the call first.
#define ZELPLAY_DEFINE_TRACED(result, name, parameters, arguments)                               \
    void* real_##name = nullptr;                                                                  \
    result APIENTRY traced_##name parameters                                                      \
    {                                                                                             \
        writeCall(#name, std::make_tuple arguments);                                              \
        return reinterpret_cast<result(APIENTRY*) parameters>(real_##name) arguments;             \
    }

ZELPLAY_TRACED_GL(ZELPLAY_DEFINE_TRACED)

// What an upload's pixels are written as: null, their length and checksum where
// the layout tells how many bytes the upload reads, or "data" for any other.
struct PixelSummary {
    std::string text;
};

void appendArgument(std::string& line, const PixelSummary& pixels)
{
    line += pixels.text;
}

PixelSummary summarisePixels(GLsizei width, GLsizei height, GLenum format, GLenum type,
                             const GLvoid* pixels)
{
    if (pixels == nullptr) {
        return {"null"};
    }
    const std::size_t length = uploadLength(width, height, format, type);
    if (length == 0) {
        return {"data"};
    }
    char text[64];
    std::snprintf(text, sizeof text, "%zu bytes fnv1a 0x%08X", length,
                  checksum(static_cast<const unsigned char*>(pixels), length));
    return {text};
}

void* real_glTexImage2D = nullptr;
void APIENTRY traced_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                                  GLsizei height, GLint border, GLenum format, GLenum type,
                                  const GLvoid* pixels)
{
    writeCall("glTexImage2D", std::make_tuple(target, level, internalFormat, width, height, border,
                                              format, type,
                                              summarisePixels(width, height, format, type, pixels)));
    using Function = void(APIENTRY*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                                     const GLvoid*);
    reinterpret_cast<Function>(real_glTexImage2D)(target, level, internalFormat, width, height,
                                                  border, format, type, pixels);
}

struct TracedFunction {
    const char* name;
    void* standIn;
    void** real;
};

#define ZELPLAY_TABLE_ENTRY(result, name, parameters, arguments)                                 \
    TracedFunction{#name, reinterpret_cast<void*>(&traced_##name), &real_##name},

constexpr const char* openGlDll = "opengl32.dll";

const TracedFunction tracedFunctions[] = {
    ZELPLAY_TRACED_GL(ZELPLAY_TABLE_ENTRY)
    TracedFunction{"glTexImage2D", reinterpret_cast<void*>(&traced_glTexImage2D), &real_glTexImage2D},
};

const TracedFunction* findTraced(const std::string& name)
{
    for (const TracedFunction& function : tracedFunctions) {
        if (name == function.name) {
            return &function;
        }
    }
    return nullptr;
}

} // namespace

bool installGlTrace(HMODULE plugin, const std::string& path, HostLog& log, std::string& error)
{
    const std::vector<std::string> imported = importedFunctionNames(plugin, openGlDll);
    for (const std::string& name : imported) {
        if (findTraced(name) == nullptr) {
            error = "cannot trace the plug-in's GL calls: it imports " + name +
                    " from opengl32, which the trace cannot write out";
            return false;
        }
    }
    // Every load of the DLL in one run writes on into the same trace.
    if (trace.file == nullptr) {
        trace.file = openFileUtf8(path, "wb");
        if (trace.file == nullptr) {
            error = "cannot write the GL trace '" + path + "'";
            return false;
        }
        // The trace runs to hundreds of thousands of lines: a large buffer keeps it
        // from costing a write per call.
        std::setvbuf(trace.file, nullptr, _IOFBF, 1 << 20);
    }
    for (const std::string& name : imported) {
        const TracedFunction& function = *findTraced(name);
        if (!patchImport(plugin, openGlDll, function.name, function.standIn, function.real)) {
            error = "cannot trace the plug-in's GL calls: its import of " + name +
                    " cannot be redirected";
            return false;
        }
    }
    log.write(JsonLine("glTrace").name("path", path).number("functions", imported.size()));
    return true;
}

bool finishGlTrace(std::string& error)
{
    if (trace.file == nullptr) {
        return true;
    }
    const bool written = std::fclose(trace.file) == 0 && !trace.failed;
    trace.file = nullptr;
    if (!written) {
        error = "the GL trace could not be written whole";
    }
    return written;
}
