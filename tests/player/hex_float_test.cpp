// The GL trace compares builds byte for byte, so hexFloat must write every value
// exactly and in one canonical form, the one C99's %a gives.

#include "tracing/hex_float.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(HexFloat, WritesValuesExactlyAsC99Does)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0x0p+0"},
        {-0.0, "-0x0p+0"},
        {1.0, "0x1p+0"},
        {3.0, "0x1.8p+1"},
        {-0.1f, "-0x1.99999ap-4"},
        {0.1, "0x1.999999999999ap-4"},
        {256.0, "0x1p+8"},
        {std::numeric_limits<double>::max(), "0x1.fffffffffffffp+1023"},
        {std::numeric_limits<double>::min(), "0x1p-1022"},
        {std::numeric_limits<double>::denorm_min(), "0x0.0000000000001p-1022"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::nan(""), "nan"},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(hexFloat(each.value), each.text) << "for " << each.value;
    }
}

TEST(HexFloat, NeighbouringFloatsDiffer)
{
    const float value = 0.0414214f;
    EXPECT_NE(hexFloat(value), hexFloat(std::nextafter(value, 1.0f)));
    EXPECT_NE(hexFloat(value), hexFloat(std::nextafter(static_cast<double>(value), 1.0)));
}
