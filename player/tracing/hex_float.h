#pragma once
// Floating-point values written exactly, as C99's %a writes them ("0x1.8p+1"),
// the same on every build of the player whatever its C runtime's printf does.

#include <string>

std::string hexFloat(double value);
