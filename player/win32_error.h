#pragma once
// Win32 error codes as text, for the player's one-line error messages.

#include <windows.h>

#include <string>

// The system's message for `code`, followed by the number in parentheses.
std::string describeError(DWORD code);
