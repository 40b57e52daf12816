#include "hosting/plugin_loader.h"

#include "utf8_file.h"
#include "win32_error.h"

#include <algorithm>

namespace {

// Windows' longest path, in UTF-16 units with the terminator.
constexpr size_t longestPathLength = 32768;

using GetHeaderFunction = VisHeader* (*)();

bool fail(LoadedPlugin& plugin, std::string& error, std::string reason)
{
    error = std::move(reason);
    if (plugin.library != nullptr) {
        // The error at hand is what the user needs to see, not a failed unload.
        FreeLibrary(plugin.library);
        plugin.library = nullptr;
    }
    return false;
}

} // namespace

bool loadPlugin(const std::string& path, LoadedPlugin& plugin, std::string& error)
{
    plugin = LoadedPlugin{};
    std::wstring widePath;
    if (!widenUtf8(path, widePath)) {
        return fail(plugin, error, "cannot load plug-in '" + path + "': the name is not UTF-8");
    }
    plugin.library = LoadLibraryW(widePath.c_str());
    if (plugin.library == nullptr) {
        return fail(plugin, error,
                    "cannot load plug-in '" + path + "': " + describeError(GetLastError()));
    }
    // NOTE: GetProcAddress answers a generic FARPROC; the export's real type is
    // the header getter, reached through an intermediate object pointer so that
    // the cast between function types is explicit.
    FARPROC exported = GetProcAddress(plugin.library, headerExportName);
    if (exported == nullptr) {
        return fail(plugin, error, "plug-in '" + path + "' does not export " + headerExportName);
    }
    const auto getHeader = reinterpret_cast<GetHeaderFunction>(reinterpret_cast<void*>(exported));
    plugin.header = getHeader();
    if (plugin.header == nullptr) {
        return fail(plugin, error, "plug-in '" + path + "': " + headerExportName + " returned null");
    }
    if (plugin.header->getModule == nullptr) {
        return fail(plugin, error, "plug-in '" + path + "': the header has no getModule");
    }
    plugin.module = plugin.header->getModule(0);
    if (plugin.module == nullptr) {
        return fail(plugin, error, "plug-in '" + path + "': getModule(0) returned null");
    }
    if (plugin.module->init == nullptr || plugin.module->render == nullptr ||
        plugin.module->quit == nullptr) {
        return fail(plugin, error,
                    "plug-in '" + path + "': module 0 lacks an init, render or quit entry");
    }
    return true;
}

bool unloadPlugin(LoadedPlugin& plugin)
{
    const bool freed = FreeLibrary(plugin.library) != FALSE;
    plugin = LoadedPlugin{};
    return freed;
}

std::string defaultPluginPath()
{
    // The player's own name, in a buffer grown to the longest that Windows gives.
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while (true) {
        length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size() || path.size() >= longestPathLength) {
            break;
        }
        path.resize(std::min<size_t>(path.size() * 2, longestPathLength));
    }
    path.resize(length < path.size() ? length : 0);
    std::string folder;
    if (!narrowToUtf8(path, folder)) {
        folder.clear();
    }
    const auto slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + "vis_zel.dll";
}
