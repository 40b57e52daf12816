#include "queue/natural_order.h"

#include <algorithm>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char folded(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Negative, zero or positive as `a` comes before, with or after `b`, without the byte
// order that breaks ties.
int compareNatural(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            const std::size_t startA = i;
            const std::size_t startB = j;
            while (i < a.size() && isDigit(a[i])) ++i;
            while (j < b.size() && isDigit(b[j])) ++j;
            // Without leading zeros, the longer run is the larger number.
            if (i - startA != j - startB) {
                return i - startA < j - startB ? -1 : 1;
            }
            if (const int digits = a.substr(startA, i - startA).compare(b.substr(startB, j - startB))) {
                return digits;
            }
            continue;
        }
        const auto x = static_cast<unsigned char>(folded(a[i]));
        const auto y = static_cast<unsigned char>(folded(b[j]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::string_view firstPart(std::string_view path)
{
    std::size_t end = 0;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    return path.substr(0, end);
}

} // namespace

bool naturalLess(std::string_view a, std::string_view b)
{
    const int order = compareNatural(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool naturalPathLess(std::string_view a, std::string_view b)
{
    while (!a.empty() && !b.empty()) {
        const std::string_view partA = firstPart(a);
        const std::string_view partB = firstPart(b);
        if (partA != partB) {
            // A name that is a folder in one path and the last part of the other compares
            // as a name; equal names differ only below.
            return naturalLess(partA, partB);
        }
        a.remove_prefix(std::min(a.size(), partA.size() + 1));
        b.remove_prefix(std::min(b.size(), partB.size() + 1));
    }
    return a.empty() && !b.empty();
}
