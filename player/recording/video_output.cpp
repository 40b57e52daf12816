#include "recording/video_output.h"

#include "utf8_file.h"
#include "win32_error.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstring>

namespace {

// An encoder reading the pipe takes a frame at a time; a buffer of a couple of
// 640 x 480 frames keeps the writes few and large. Module-level so that it
// outlives the stream, standard output included, until the process ends.
constexpr size_t streamBufferBytes = size_t{2} << 20;
char streamBuffer[streamBufferBytes];

bool toStdout(const VideoOutput& video)
{
    return video.path == videoToStdout;
}

bool writtenInPlace(const VideoOutput& video)
{
    return toStdout(video) || video.partPath == video.path;
}

// A device or pipe named as the output (NUL, /dev/null under Wine, a named pipe)
// is written in place: it cannot be renamed onto, and holds no partial file.
bool isDeviceOrPipe(const std::string& path)
{
    // NOTE: a named pipe is not opened to look at it: that would take the one
    // connection its server may be waiting for.
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) {
        return true;
    }
    std::wstring widePath;
    if (!widenUtf8(path, widePath)) {
        return false;
    }
    HANDLE probe = CreateFileW(widePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD type = GetFileType(probe);
    CloseHandle(probe);
    return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::string describeErrno(int code)
{
    return std::strerror(code);
}

// The partial file of a recording that failed; what cannot be removed changes
// nothing about what the user is told.
void removePartial(const VideoOutput& video)
{
    std::wstring widePath;
    if (widenUtf8(video.partPath, widePath)) {
        _wremove(widePath.c_str());
    }
}

bool renameOnto(const std::string& from, const std::string& to)
{
    std::wstring wideFrom;
    std::wstring wideTo;
    return widenUtf8(from, wideFrom) && widenUtf8(to, wideTo) &&
           MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING);
}

} // namespace

bool openVideoOutput(VideoOutput& video, const std::string& path, int width, int height,
                     std::string& error)
{
    video = VideoOutput{};
    video.path = path;
    video.width = width;
    video.height = height;
    if (toStdout(video)) {
        // NOTE: in text mode the C runtime would turn every 0x0A byte of the
        // pictures into 0x0D 0x0A.
        if (_setmode(_fileno(stdout), _O_BINARY) == -1) {
            error = "cannot put standard output in binary mode: " + describeErrno(errno);
            return false;
        }
        video.stream = stdout;
    } else {
        video.partPath = isDeviceOrPipe(path) ? path : path + ".part";
        video.stream = openFileUtf8(video.partPath, "wb");
        if (video.stream == nullptr) {
            error = "cannot create '" + video.partPath + "': " + describeErrno(errno);
            return false;
        }
    }
    if (std::setvbuf(video.stream, streamBuffer, _IOFBF, streamBufferBytes) != 0) {
        error = "cannot buffer the video output";
        abandonVideoOutput(video);
        return false;
    }
    return true;
}

bool writeVideoFrame(VideoOutput& video, const std::uint8_t* bottomUp, int width, int height)
{
    if (!video.failure.empty()) {
        return false;
    }
    if (width != video.width || height != video.height) {
        video.failure = "frame " + std::to_string(video.frames) + " is " + std::to_string(width) +
                        "x" + std::to_string(height) + ", not the recording's " +
                        std::to_string(video.width) + "x" + std::to_string(video.height);
        return false;
    }
    const auto rowBytes = static_cast<size_t>(width) * 3;
    for (int row = height - 1; row >= 0; --row) {
        const std::uint8_t* pixels = bottomUp + rowBytes * static_cast<size_t>(row);
        if (std::fwrite(pixels, 1, rowBytes, video.stream) != rowBytes) {
            const std::string target =
                toStdout(video) ? std::string("standard output") : "'" + video.partPath + "'";
            video.failure = "cannot write frame " + std::to_string(video.frames) + " to " + target +
                            ": " + describeErrno(errno);
            return false;
        }
    }
    ++video.frames;
    return true;
}

bool finishVideoOutput(VideoOutput& video, std::string& error)
{
    if (!video.failure.empty()) {
        error = video.failure;
        abandonVideoOutput(video);
        return false;
    }
    if (toStdout(video)) {
        if (std::fflush(stdout) != 0) {
            error = "cannot write the video to standard output: " + describeErrno(errno);
            return false;
        }
        return true;
    }
    std::FILE* stream = video.stream;
    video.stream = nullptr;
    if (std::fclose(stream) != 0) {
        error = "cannot write '" + video.partPath + "': " + describeErrno(errno);
        if (!writtenInPlace(video)) {
            removePartial(video);
        }
        return false;
    }
    if (writtenInPlace(video)) {
        return true;
    }
    if (!renameOnto(video.partPath, video.path)) {
        error = "cannot rename '" + video.partPath + "' to '" + video.path +
                "': " + describeError(GetLastError());
        removePartial(video);
        return false;
    }
    return true;
}

void abandonVideoOutput(VideoOutput& video)
{
    if (video.stream == nullptr || toStdout(video)) {
        video.stream = nullptr;
        return;
    }
    // The run has already failed: what the file's close says changes nothing.
    std::fclose(video.stream);
    video.stream = nullptr;
    if (!writtenInPlace(video)) {
        removePartial(video);
    }
}
