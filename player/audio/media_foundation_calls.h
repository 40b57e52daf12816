#pragma once
// Media Foundation, the decoders Windows itself plays music with, reached through the
// few calls the player makes into mfplat.dll and mfreadwrite.dll. They are loaded when
// the first compressed file is opened rather than imported: Windows "N" editions
// without the Media Feature Pack have neither DLL, and there zelplay must still start
// and play WAV.

#include <windows.h>

#include <mfapi.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <string>

struct MediaFoundationCalls {
    decltype(&MFStartup) startup = nullptr;
    decltype(&MFShutdown) shutdown = nullptr;
    decltype(&MFCreateMediaType) createMediaType = nullptr;
    decltype(&MFCreateSourceReaderFromURL) createSourceReaderFromUrl = nullptr;
};

// The calls, loaded from the system folder on the first use and kept for the rest of
// the process (the objects they make hold code of those DLLs); from any thread. Null
// where Windows has no Media Foundation, with one line in `error` saying what is
// missing.
const MediaFoundationCalls* loadMediaFoundation(std::string& error);

// An HRESULT of Media Foundation or COM as words, with its number: "no decoder for
// this kind of file (0xC00D36C4)".
std::string describeMediaFoundationError(HRESULT result);
