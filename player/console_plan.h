#pragma once
// What the player does with the console it starts with. Started from Explorer (a
// double-click, or a file dropped on it) it is the only process on a console that
// the system opened for it: that window would stand empty behind the
// visualisation, and a line printed there would vanish with it as the player ends.
// Started from a console or a script, the console is its starter's, and the player
// prints there as any console program does.

struct ConsolePlan {
    bool release;     // give the console up, so that its window closes
    bool errorsInBox; // tell errors in a message box, not on standard error
};

// `consoleProcesses`: the processes GetConsoleProcessList counts on the player's
// console, the player included; 0 without a console. `errorsOnConsole`: standard
// error is that console, not a file or a pipe that someone reads. `unixTerminal`:
// the console is Wine's stand-in for the Unix terminal the player was started
// from, which holds the player alone although its starter reads it.
constexpr ConsolePlan planConsole(unsigned long consoleProcesses, bool errorsOnConsole,
                                  bool unixTerminal)
{
    const bool ownConsole = consoleProcesses == 1 && !unixTerminal;
    return {.release = ownConsole, .errorsInBox = ownConsole && errorsOnConsole};
}
