#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

const char* const usageText =
    "usage: zelplay [options]\n"
    "  --plugin PATH           visualisation DLL to host (default: vis_zel.dll beside zelplay)\n"
    "  --frames N              render N frames, then quit (default: until the plug-in quits)\n"
    "  --unattended            answer the plug-in's message boxes with OK (logged)\n"
    "  --old-host              reply 0 to the plug-in's version probe\n"
    "  --about                 call the module's config entry before init\n"
    "  --log FILE              write what the host observes, one JSON object a line\n"
    "  --save-frames LIST      save presented frames as PNG: swap indices and 'last', e.g. 0,10,last\n"
    "  --out-dir DIR           folder for saved frames (default: current folder)\n"
    "  --send-close-after N    post WM_CLOSE to the plug-in window after N frames\n"
    "  --help                  this text\n"
    "exit status: 0 run completed, 1 plug-in could not be loaded, 2 bad arguments,\n"
    "             3 the plug-in's init failed\n";

namespace {

std::optional<long> parseCount(std::string_view text)
{
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

bool parseSwapList(std::string_view list, PlayerOptions& options)
{
    if (list.empty()) {
        return false;
    }
    while (true) {
        const size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        if (item == "last") {
            options.saveLastSwap = true;
        } else if (const auto index = parseCount(item)) {
            options.saveSwaps.push_back(*index);
        } else {
            return false;
        }
        if (comma == std::string_view::npos) {
            return true;
        }
        list.remove_prefix(comma + 1);
    }
}

} // namespace

std::optional<PlayerOptions> parseOptions(int argc, char** argv, std::string& error)
{
    PlayerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        const auto value = [&]() -> const char* {
            return i + 1 < argc ? argv[++i] : nullptr;
        };
        const auto countValue = [&](std::optional<long>& into) {
            const char* text = value();
            into = text != nullptr ? parseCount(text) : std::nullopt;
            if (!into) {
                error = std::string(name) + " needs a non-negative whole number";
            }
            return into.has_value();
        };
        const auto textValue = [&](std::string& into) {
            const char* text = value();
            if (text == nullptr || *text == '\0') {
                error = std::string(name) + " needs a value";
                return false;
            }
            into = text;
            return true;
        };

        if (name == "--plugin") {
            if (!textValue(options.pluginPath)) return std::nullopt;
        } else if (name == "--frames") {
            if (!countValue(options.frames)) return std::nullopt;
        } else if (name == "--send-close-after") {
            if (!countValue(options.sendCloseAfter)) return std::nullopt;
        } else if (name == "--log") {
            if (!textValue(options.logPath)) return std::nullopt;
        } else if (name == "--out-dir") {
            if (!textValue(options.outDir)) return std::nullopt;
        } else if (name == "--save-frames") {
            std::string list;
            if (!textValue(list)) return std::nullopt;
            if (!parseSwapList(list, options)) {
                error = "--save-frames needs swap indices or 'last', separated by commas";
                return std::nullopt;
            }
        } else if (name == "--unattended") {
            options.unattended = true;
        } else if (name == "--old-host") {
            options.oldHost = true;
        } else if (name == "--about") {
            options.showAbout = true;
        } else if (name == "--help") {
            options.help = true;
        } else {
            error = "unknown option '" + std::string(name) + "'";
            return std::nullopt;
        }
    }
    return options;
}
