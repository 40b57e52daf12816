#pragma once
// The order a user expects of names with numbers in them: "track 2" before
// "track 10", as Explorer sorts them. Letters compare without regard to case.

#include <string_view>

// Whether the UTF-8 name `a` comes before `b`. Runs of digits compare by their value;
// other characters one by one, ASCII letters folded to one case, the rest by code
// point. Names that compare equal so (a02 and a2, or A and a) fall back to their bytes,
// so that the order is total.
bool naturalLess(std::string_view a, std::string_view b);

// The same for paths, a folder at a time, so that a folder's files and subfolders
// come in the natural order of their names: "CD 2/01" before "CD 10/01".
bool naturalPathLess(std::string_view a, std::string_view b);
