#pragma once
// The player's words to its user. Names are UTF-8 inside the player; a console
// shows them in their own characters, a file or pipe gets them as UTF-8 bytes, and
// a player started from Explorer tells its errors in a message box.

#include "console_plan.h"

#include <cstdio>
#include <string>

struct ConsoleState {
    unsigned long processes = 0; // on the console at start, the player included
    ConsolePlan plan{};
};

// Looks at the console the player was started with and acts on planConsole's
// answer; called once, before anything is printed.
ConsoleState settleConsole();

// Writes `text` (UTF-8) to stdout or stderr.
void writeText(std::FILE* stream, const std::string& text);

// The one line "zelplay: <message>", on standard error or, where the console
// plan says so, in a message box that waits for the user.
void reportError(const std::string& message);

// A file passed over in a queue, in one line: on standard error at once, or, where
// errors go in a message box, kept for one box that lists them all (showSkipped).
void reportSkipped(const std::string& message);
void showSkipped();
