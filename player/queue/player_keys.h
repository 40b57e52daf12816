#pragma once
// The keys that steer the player while the visualisation has the focus, by the
// virtual-key codes Windows gives them (fixed by the platform, so written out here for
// the parts that build without it).

#include <optional>
#include <string_view>

enum class PlayerAction {
    pause,       // Space: pause, or play on
    back,        // Left: 5 s back within the track
    forward,     // Right: 5 s on
    backFar,     // Shift+Left: 30 s back
    forwardFar,  // Shift+Right: 30 s on
    next,        // N, Page Down
    previous,    // P, Page Up; at the start of the queue, the track again
    stop,        // Esc, Q: as the close box
    fullScreen,  // F: the screen, and back
};

// Seconds a seek moves, and how far with Shift.
constexpr double seekSeconds = 5.0;
constexpr double farSeekSeconds = 30.0;

std::optional<PlayerAction> actionForKey(unsigned code, bool shift);

const char* actionName(PlayerAction action);

// A key by the name the player's --keys takes (space, left, right, n, p, pagedown,
// pageup, esc, q, f): its code.
std::optional<unsigned> keyCodeNamed(std::string_view name);
