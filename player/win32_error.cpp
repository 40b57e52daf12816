#include "win32_error.h"

#include "utf8_file.h"

#include <string_view>

std::string describeError(DWORD code)
{
    // The system's words in UTF-8, as every other line the player prints.
    wchar_t buffer[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                          buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
        --length;
    }
    std::string text;
    if (!narrowToUtf8(std::wstring_view(buffer, length), text) || text.empty()) {
        text = "unknown error";
    }
    return text + " (" + std::to_string(code) + ")";
}
