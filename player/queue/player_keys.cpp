#include "queue/player_keys.h"

#include <array>
#include <utility>

namespace {

// Windows' virtual-key codes; a letter's is its capital's.
constexpr unsigned keySpace = 0x20;
constexpr unsigned keyPageUp = 0x21;
constexpr unsigned keyPageDown = 0x22;
constexpr unsigned keyLeft = 0x25;
constexpr unsigned keyRight = 0x27;
constexpr unsigned keyEscape = 0x1B;

constexpr std::array<std::pair<std::string_view, unsigned>, 10> keyNames = {{
    {"space", keySpace}, {"left", keyLeft}, {"right", keyRight}, {"n", 'N'}, {"p", 'P'},
    {"pagedown", keyPageDown}, {"pageup", keyPageUp}, {"esc", keyEscape}, {"q", 'Q'}, {"f", 'F'},
}};

} // namespace

std::optional<PlayerAction> actionForKey(unsigned code, bool shift)
{
    switch (code) {
    case keySpace: return PlayerAction::pause;
    case keyLeft: return shift ? PlayerAction::backFar : PlayerAction::back;
    case keyRight: return shift ? PlayerAction::forwardFar : PlayerAction::forward;
    case 'N':
    case keyPageDown: return PlayerAction::next;
    case 'P':
    case keyPageUp: return PlayerAction::previous;
    case keyEscape:
    case 'Q': return PlayerAction::stop;
    case 'F': return PlayerAction::fullScreen;
    default: return std::nullopt;
    }
}

const char* actionName(PlayerAction action)
{
    switch (action) {
    case PlayerAction::pause: return "pause";
    case PlayerAction::back: return "back";
    case PlayerAction::forward: return "forward";
    case PlayerAction::backFar: return "back-far";
    case PlayerAction::forwardFar: return "forward-far";
    case PlayerAction::next: return "next";
    case PlayerAction::previous: return "previous";
    case PlayerAction::stop: return "stop";
    case PlayerAction::fullScreen: return "full-screen";
    }
    return "none";
}

std::optional<unsigned> keyCodeNamed(std::string_view name)
{
    for (const auto& [known, code] : keyNames) {
        if (known == name) {
            return code;
        }
    }
    return std::nullopt;
}
