#include "recording/frame_capture.h"

#include "import_patch.h"
#include "utf8_file.h"

#include <GL/gl.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

using SwapBuffersFunction = BOOL(WINAPI*)(HDC);

// A frame as GL reads it: the bottom row first, rows of width x 3 bytes packed
// without padding.
struct CapturedFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bottomUp;
};

struct FrameCaptureState {
    FrameCaptureRequest request;
    HostLog* log = nullptr;
    SwapBuffersFunction realSwapBuffers = nullptr;
    long swapCount = 0;
    long failedSwaps = 0;
    CapturedFrame frame; // reused for every read-back, so a recording allocates once
    CapturedFrame lastFrame;
    long lastFrameSwap = -1;
    std::vector<long> saved;
    std::string failure; // first reason a requested frame was not saved
    VideoOutput* video = nullptr;
    LONGLONG readAndWriteTicks = 0; // performance-counter time spent reading back and writing
    LONGLONG presentTicks = 0;      // performance-counter time spent in the real SwapBuffers
};

FrameCaptureState capture;

void noteFailure(const std::string& reason)
{
    if (capture.failure.empty()) {
        capture.failure = reason;
    }
}

bool readBackBuffer(HDC deviceContext, CapturedFrame& frame, std::string& error)
{
    if (wglGetCurrentContext() == nullptr) {
        error = "no GL context is current at SwapBuffers";
        return false;
    }
    HWND window = WindowFromDC(deviceContext);
    RECT client{};
    if (window == nullptr || !GetClientRect(window, &client)) {
        error = "cannot find the size of the presenting window";
        return false;
    }
    frame.width = static_cast<int>(client.right - client.left);
    frame.height = static_cast<int>(client.bottom - client.top);
    if (frame.width <= 0 || frame.height <= 0) {
        error = "the presenting window has an empty client area";
        return false;
    }
    frame.bottomUp.resize(static_cast<size_t>(frame.width) * 3 * static_cast<size_t>(frame.height));

    // The plug-in's GL state is its own: whatever the read-back changes is put back.
    GLint readBuffer = 0;
    GLint packAlignment = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    return true;
}

// Frames are named by swap index, the final one "frame-last.png" whatever its index.
std::string framePath(const std::string& name)
{
    std::string path = capture.request.outDir;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    return path + "frame-" + name + ".png";
}

void writeToFile(void* file, void* bytes, int size)
{
    std::fwrite(bytes, 1, static_cast<size_t>(size), static_cast<std::FILE*>(file));
}

// NOTE: the encoder's own file writer opens names in the ANSI code page; the
// player opens the file by its UTF-8 name and hands the encoder the stream.
bool writePng(const std::string& path, const CapturedFrame& frame)
{
    std::FILE* file = openFileUtf8(path, "wb");
    if (file == nullptr) {
        return false;
    }
    // Image files start with the top row; the encoder turns GL's rows over.
    stbi_flip_vertically_on_write(1);
    const int encoded = stbi_write_png_to_func(writeToFile, file, frame.width, frame.height, 3,
                                               frame.bottomUp.data(), frame.width * 3);
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && encoded != 0 && written;
}

void saveFrame(const CapturedFrame& frame, long swap, const std::string& name)
{
    const std::string path = framePath(name);
    if (!writePng(path, frame)) {
        noteFailure("cannot write " + path);
        capture.log->write(JsonLine("frameSaveFailed").number("swap", swap).name("path", path));
        return;
    }
    capture.saved.push_back(swap);
    capture.log->write(JsonLine("frameSaved")
                           .number("swap", swap)
                           .name("path", path)
                           .number("width", frame.width)
                           .number("height", frame.height));
}

BOOL WINAPI capturingSwapBuffers(HDC deviceContext)
{
    const long swap = capture.swapCount++;
    const auto& wanted = capture.request.swaps;
    const bool wantedNow = std::find(wanted.begin(), wanted.end(), swap) != wanted.end();
    VideoOutput* video = capture.video;
    if (wantedNow || capture.request.last || video != nullptr) {
        // The read-back would wait for the plug-in's drawing anyway; waiting first
        // keeps that time out of the capture's own.
        glFinish();
        LARGE_INTEGER start{};
        QueryPerformanceCounter(&start);
        CapturedFrame& frame = capture.frame;
        std::string error;
        if (readBackBuffer(deviceContext, frame, error)) {
            if (video != nullptr) {
                writeVideoFrame(*video, frame.bottomUp.data(), frame.width, frame.height);
            }
            if (wantedNow) {
                saveFrame(frame, swap, std::to_string(swap));
            }
            if (capture.request.last) {
                capture.lastFrame = frame;
                capture.lastFrameSwap = swap;
            }
        } else {
            if (video != nullptr && video->failure.empty()) {
                video->failure = "frame " + std::to_string(video->frames) + ": " + error;
            }
            noteFailure("swap " + std::to_string(swap) + ": " + error);
            capture.log->write(JsonLine("frameSaveFailed").number("swap", swap).text("reason", error));
        }
        LARGE_INTEGER end{};
        QueryPerformanceCounter(&end);
        capture.readAndWriteTicks += end.QuadPart - start.QuadPart;
    }
    LARGE_INTEGER presentStart{};
    QueryPerformanceCounter(&presentStart);
    const BOOL presented = capture.realSwapBuffers(deviceContext);
    LARGE_INTEGER presentEnd{};
    QueryPerformanceCounter(&presentEnd);
    capture.presentTicks += presentEnd.QuadPart - presentStart.QuadPart;
    if (!presented) {
        ++capture.failedSwaps;
    }
    return presented;
}

LONGLONG ticksToMilliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return ticks * 1000 / frequency.QuadPart;
}

} // namespace

bool installFrameCapture(HMODULE plugin, const FrameCaptureRequest& request, HostLog& log)
{
    capture.request = request;
    capture.log = &log;
    void* original = nullptr;
    if (!patchImport(plugin, "gdi32.dll", "SwapBuffers", reinterpret_cast<void*>(&capturingSwapBuffers),
                     &original)) {
        return false;
    }
    capture.realSwapBuffers = reinterpret_cast<SwapBuffersFunction>(original);
    return true;
}

void startVideoCapture(VideoOutput& video)
{
    capture.video = &video;
}

void stopVideoCapture()
{
    capture.video = nullptr;
}

long presentedFrameCount()
{
    return capture.swapCount;
}

long failedPresentCount()
{
    return capture.failedSwaps;
}

LONGLONG captureMilliseconds()
{
    return ticksToMilliseconds(capture.readAndWriteTicks);
}

LONGLONG presentMilliseconds()
{
    return ticksToMilliseconds(capture.presentTicks);
}

bool videoCaptureHealthy()
{
    return capture.video == nullptr || capture.video->failure.empty();
}

bool finishFrameCapture(std::string& error)
{
    if (capture.request.last) {
        if (capture.lastFrameSwap >= 0) {
            saveFrame(capture.lastFrame, capture.lastFrameSwap, "last");
        } else {
            noteFailure("no frame was presented, so there is no last frame");
        }
    }
    for (long swap : capture.request.swaps) {
        if (std::find(capture.saved.begin(), capture.saved.end(), swap) == capture.saved.end()) {
            noteFailure("swap " + std::to_string(swap) + " was not saved (" +
                        std::to_string(capture.swapCount) + " presents in the run)");
        }
    }
    error = capture.failure;
    return capture.failure.empty();
}
