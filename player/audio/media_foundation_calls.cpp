#include "media_foundation_calls.h"

#include "utf8_file.h"
#include "win32_error.h"

#include <mferror.h>

#include <cstdio>

namespace {

struct LoadedCalls {
    MediaFoundationCalls calls;
    bool loaded = false;
    std::string error;
};

LoadedCalls loadedCalls;
INIT_ONCE loadOnce = INIT_ONCE_STATIC_INIT;

// NOTE: by its full path in the system folder, never by the search path, where a DLL
// of that name in the program's folder or the current one could stand in for Windows'.
HMODULE loadSystemLibrary(const std::string& name, std::string& error)
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        error = std::string("cannot find the system folder: ") + describeError(GetLastError());
        return nullptr;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\" +
                              std::wstring(name.begin(), name.end()); // ASCII
    const HMODULE library = LoadLibraryW(path.c_str());
    if (library == nullptr) {
        const DWORD code = GetLastError();
        error = code == ERROR_MOD_NOT_FOUND
                    ? "this Windows has no Media Foundation (" + name +
                          " is missing; on an \"N\" edition, install the Media Feature Pack)"
                    : "cannot load " + name + ": " + describeError(code);
    }
    return library;
}

template <typename Function>
bool findCall(HMODULE library, const char* name, Function& into, const char* libraryName,
              std::string& error)
{
    const FARPROC found = GetProcAddress(library, name);
    if (found == nullptr) {
        error = std::string(libraryName) + " has no " + name + ": Media Foundation is too old";
        return false;
    }
    // NOTE: GetProcAddress answers a generic FARPROC; the export's real type is the
    // header's, reached through an object pointer so that the cast is explicit.
    into = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    return true;
}

BOOL CALLBACK loadCalls(PINIT_ONCE, PVOID, PVOID*)
{
    LoadedCalls& loaded = loadedCalls;
    const HMODULE platform = loadSystemLibrary("mfplat.dll", loaded.error);
    if (platform == nullptr) {
        return TRUE;
    }
    const HMODULE readWrite = loadSystemLibrary("mfreadwrite.dll", loaded.error);
    if (readWrite == nullptr) {
        FreeLibrary(platform);
        return TRUE;
    }
    MediaFoundationCalls& calls = loaded.calls;
    loaded.loaded =
        findCall(platform, "MFStartup", calls.startup, "mfplat.dll", loaded.error) &&
        findCall(platform, "MFShutdown", calls.shutdown, "mfplat.dll", loaded.error) &&
        findCall(platform, "MFCreateMediaType", calls.createMediaType, "mfplat.dll",
                 loaded.error) &&
        findCall(readWrite, "MFCreateSourceReaderFromURL", calls.createSourceReaderFromUrl,
                 "mfreadwrite.dll", loaded.error);
    if (!loaded.loaded) {
        FreeLibrary(readWrite);
        FreeLibrary(platform);
    }
    return TRUE;
}

} // namespace

const MediaFoundationCalls* loadMediaFoundation(std::string& error)
{
    if (!InitOnceExecuteOnce(&loadOnce, loadCalls, nullptr, nullptr)) {
        error = "cannot load Media Foundation: " + describeError(GetLastError());
        return nullptr;
    }
    if (!loadedCalls.loaded) {
        error = loadedCalls.error;
        return nullptr;
    }
    return &loadedCalls.calls;
}

std::string describeMediaFoundationError(HRESULT result)
{
    std::string words;
    switch (result) {
    case MF_E_UNSUPPORTED_BYTESTREAM_TYPE:
        words = "no decoder on this system takes this kind of file";
        break;
    case MF_E_TOPO_CODEC_NOT_FOUND:
    case MF_E_INVALIDMEDIATYPE:
    case MF_E_UNSUPPORTED_FORMAT:
        words = "no decoder on this system turns its audio into PCM";
        break;
    case MF_E_INVALIDSTREAMNUMBER:
    case MF_E_NO_MORE_TYPES:
        words = "it holds no audio stream";
        break;
    default: {
        // NOTE: the system's messages cover COM and Win32 codes; Media Foundation's own
        // live in another DLL, and those it may answer are named above.
        wchar_t buffer[256] = {};
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, static_cast<DWORD>(result), 0, buffer,
                                      sizeof buffer / sizeof buffer[0], nullptr);
        while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                              buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
            --length;
        }
        if (length == 0 || !narrowToUtf8(std::wstring_view(buffer, length), words)) {
            words = "unknown error";
        }
        break;
    }
    }
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(result));
    return words + " (" + number + ")";
}
