#include "queue/queue_files.h"

#include "queue/natural_order.h"
#include "utf8_file.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 14> audioExtensions = {
    "wav", "wave", "mp3", "mp2", "flac", "m4a", "aac", "wma", "ogg", "oga", "opus", "aif", "aiff", "ac3",
};

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The audio files below `folder`, by their paths relative to it.
void listFolder(const std::wstring& folder, const std::string& relative, std::vector<std::string>& found)
{
    WIN32_FIND_DATAW entry{};
    const std::wstring pattern = folder + L"\\*";
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        std::string utf8;
        // What Explorer hides, a user did not mean to play; a linked folder may lead back
        // up the tree.
        constexpr DWORD unseen = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (name == L"." || name == L".." || (entry.dwFileAttributes & unseen) != 0 ||
            !narrowToUtf8(name, utf8)) {
            continue;
        }
        const std::string path = relative.empty() ? utf8 : relative + "\\" + utf8;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                listFolder(folder + L"\\" + name, path, found);
            }
        } else if (hasAudioExtension(utf8)) {
            found.push_back(path);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

} // namespace

bool hasAudioExtension(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return std::find(audioExtensions.begin(), audioExtensions.end(), extension) != audioExtensions.end();
}

QueueFiles listQueueFiles(const std::vector<std::string>& given)
{
    QueueFiles queue;
    for (const std::string& path : given) {
        std::wstring wide;
        if (!widenUtf8(path, wide) || !isFolder(wide)) {
            queue.files.push_back(path);
            continue;
        }
        // A folder named with a separator at its end lists the same.
        while (wide.size() > 1 && (wide.back() == L'\\' || wide.back() == L'/')) {
            wide.pop_back();
        }
        std::vector<std::string> found;
        listFolder(wide, "", found);
        if (found.empty()) {
            queue.notes.push_back(path + ": no audio files in this folder");
            continue;
        }
        std::sort(found.begin(), found.end(),
                  [](const std::string& a, const std::string& b) { return naturalPathLess(a, b); });
        std::string base = path;
        while (base.size() > 1 && (base.back() == '\\' || base.back() == '/')) {
            base.pop_back();
        }
        for (const std::string& file : found) {
            queue.files.push_back(base + "\\" + file);
        }
    }
    return queue;
}
