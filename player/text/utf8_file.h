#pragma once
// Files named in UTF-8, the player's one encoding for names. NOTE: on Windows the
// narrow C runtime calls take names in the ANSI code page, which cannot spell most
// names a user has; the wide calls take every one.

#include <cstdio>
#include <string>
#include <string_view>

// fopen for a UTF-8 name; null with errno set when it cannot be opened, and for a
// name that is not UTF-8 (EILSEQ).
std::FILE* openFileUtf8(const std::string& path, const char* mode);

// remove for a UTF-8 name: true when the file is gone.
bool removeFileUtf8(const std::string& path);

#ifdef _WIN32
// UTF-8 and UTF-16, both ways. A text that is not valid in its encoding gives false
// and leaves `out` empty.
bool widenUtf8(std::string_view text, std::wstring& out);
bool narrowToUtf8(std::wstring_view text, std::string& out);
#endif
