#include "utf8_file.h"

#include <cerrno>
#include <climits>

#ifdef _WIN32
#include <windows.h>

bool widenUtf8(std::string_view text, std::wstring& out)
{
    out.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const int length = static_cast<int>(text.size());
    const int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return false;
    out.resize(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, out.data(), needed) !=
        needed) {
        out.clear();
        return false;
    }
    return true;
}

bool narrowToUtf8(std::wstring_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length,
                                           nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return false;
    out.resize(static_cast<std::size_t>(needed));
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), length, out.data(), needed,
                            nullptr, nullptr) != needed) {
        out.clear();
        return false;
    }
    return true;
}

std::FILE* openFileUtf8(const std::string& path, const char* mode)
{
    std::wstring widePath;
    std::wstring wideMode;
    if (!widenUtf8(path, widePath) || !widenUtf8(mode, wideMode)) {
        errno = EILSEQ;
        return nullptr;
    }
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool removeFileUtf8(const std::string& path)
{
    std::wstring widePath;
    return widenUtf8(path, widePath) && _wremove(widePath.c_str()) == 0;
}
#else
std::FILE* openFileUtf8(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

bool removeFileUtf8(const std::string& path)
{
    return std::remove(path.c_str()) == 0;
}
#endif
