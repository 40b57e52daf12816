// What the player does with the console it was started with: the decision alone,
// from what the system reports.

#include "console_plan.h"

#include <gtest/gtest.h>

namespace {

struct ConsoleCase {
    const char* startedBy;
    unsigned long consoleProcesses;
    bool errorsOnConsole;
    bool unixTerminal;
    bool release;
    bool errorsInBox;
};

TEST(ConsolePlan, OnlyAConsoleOfItsOwnIsGivenUpAndErrorsGoToABoxOnlyWhereNobodyReadsThem)
{
    const ConsoleCase cases[] = {
        {"Explorer: a double-click or a dropped file", 1, true, false, true, true},
        {"a program without a console, reading our pipes", 1, false, false, true, false},
        {"a command prompt", 2, true, false, false, false},
        {"a script in a command prompt, output redirected", 3, false, false, false, false},
        {"a detached start: no console at all", 0, false, false, false, false},
        {"a Unix terminal, under Wine", 1, true, true, false, false},
    };
    for (const ConsoleCase& c : cases) {
        const ConsolePlan plan = planConsole(c.consoleProcesses, c.errorsOnConsole, c.unixTerminal);
        EXPECT_EQ(plan.release, c.release) << c.startedBy;
        EXPECT_EQ(plan.errorsInBox, c.errorsInBox) << c.startedBy;
    }
}

} // namespace
