#include "tracing/hex_float.h"

#include <bit>
#include <cstdint>

std::string hexFloat(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    constexpr int fractionBits = 52;
    constexpr std::uint64_t fractionMask = (std::uint64_t{1} << fractionBits) - 1;
    const int biasedExponent = static_cast<int>((bits >> fractionBits) & 0x7FF);
    const std::uint64_t fraction = bits & fractionMask;

    std::string text = (bits >> 63) != 0 ? "-" : "";
    if (biasedExponent == 0x7FF) {
        return text + (fraction != 0 ? "nan" : "inf");
    }
    if (biasedExponent == 0 && fraction == 0) {
        return text + "0x0p+0";
    }
    // Subnormals keep a leading 0 and the smallest exponent, as %a writes them.
    const bool normal = biasedExponent != 0;
    const int exponent = normal ? biasedExponent - 1023 : -1022;
    text += normal ? "0x1" : "0x0";

    std::string digits;
    for (int shift = fractionBits - 4; shift >= 0; shift -= 4) {
        digits += "0123456789abcdef"[(fraction >> shift) & 0xF];
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    if (!digits.empty()) {
        text += "." + digits;
    }
    text += exponent < 0 ? "p-" : "p+";
    text += std::to_string(exponent < 0 ? -exponent : exponent);
    return text;
}
