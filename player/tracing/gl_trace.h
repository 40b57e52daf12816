#pragma once
// Writes every call the plug-in makes through its opengl32 imports to a file,
// one line a call: the function's name and its arguments, floating-point values
// exact (C99 hexadecimal). Handles and pointers, which differ from run to run and
// between builds, are written only as null or not; the pixels of a texture upload
// as a checksum. Two runs that draw alike give the same file byte for byte.

#include "host_log.h"

#include <windows.h>

#include <string>

// Redirects all of `plugin`'s opengl32 imports. Refuses, with the reason in
// `error`, when the plug-in imports a function the trace cannot write out, so
// that no call goes unrecorded.
bool installGlTrace(HMODULE plugin, const std::string& path, HostLog& log, std::string& error);

// Closes the trace file; false, with the reason in `error`, when it could not be
// written whole.
bool finishGlTrace(std::string& error);
