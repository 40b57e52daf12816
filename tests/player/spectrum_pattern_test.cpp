#include "spectrum_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <set>

namespace {

struct Rows {
    unsigned char spectrum[2][analysisBins];
    unsigned char waveform[2][analysisBins];
};

// Filled over leftovers of an earlier frame, so that a byte the pattern forgets shows.
Rows filled(SpectrumPattern pattern, std::uint64_t frame) {
    Rows rows;
    std::memset(&rows, 0x5A, sizeof rows);
    fillSpectrumPattern(pattern, frame, rows.spectrum, rows.waveform);
    return rows;
}

bool rowIs(const unsigned char* row, unsigned char value) {
    return std::all_of(row, row + analysisBins, [=](unsigned char b) { return b == value; });
}

TEST(SpectrumPattern, ParsesTheFiveNamesAndNothingElse) {
    EXPECT_EQ(parseSpectrumPattern("silence"), SpectrumPattern::silence);
    EXPECT_EQ(parseSpectrumPattern("left"), SpectrumPattern::left);
    EXPECT_EQ(parseSpectrumPattern("right"), SpectrumPattern::right);
    EXPECT_EQ(parseSpectrumPattern("both"), SpectrumPattern::both);
    EXPECT_EQ(parseSpectrumPattern("random"), SpectrumPattern::random);
    for (const char* wrong : {"", "Left", "noise", "left ", "rand"})
        EXPECT_FALSE(parseSpectrumPattern(wrong).has_value()) << "'" << wrong << "'";
}

TEST(SpectrumPattern, FixedPatternsMakeTheirChannelsLoudAndTheRestSilent) {
    struct Case {
        SpectrumPattern pattern;
        unsigned char row0;
        unsigned char row1;
    };
    for (const Case& c : {Case{SpectrumPattern::silence, 0, 0}, Case{SpectrumPattern::left, 255, 0},
                          Case{SpectrumPattern::right, 0, 255}, Case{SpectrumPattern::both, 255, 255}}) {
        const Rows rows = filled(c.pattern, 7);
        const int index = static_cast<int>(c.pattern);
        EXPECT_TRUE(rowIs(rows.spectrum[0], c.row0)) << "pattern " << index << ", spectrum row 0";
        EXPECT_TRUE(rowIs(rows.spectrum[1], c.row1)) << "pattern " << index << ", spectrum row 1";
        EXPECT_TRUE(rowIs(rows.waveform[0], 0)) << "pattern " << index << ", waveform row 0";
        EXPECT_TRUE(rowIs(rows.waveform[1], 0)) << "pattern " << index << ", waveform row 1";
    }
}

TEST(SpectrumPattern, RandomGivesTheSameBytesForTheSameFrameOnEveryCall) {
    const Rows first = filled(SpectrumPattern::random, 1234);
    const Rows again = filled(SpectrumPattern::random, 1234);
    EXPECT_EQ(std::memcmp(&first, &again, sizeof first), 0);
}

TEST(SpectrumPattern, RandomChangesFromFrameToFrameAndBetweenRows) {
    const Rows frame0 = filled(SpectrumPattern::random, 0);
    const Rows frame1 = filled(SpectrumPattern::random, 1);
    EXPECT_NE(std::memcmp(frame0.spectrum, frame1.spectrum, sizeof frame0.spectrum), 0);
    EXPECT_NE(std::memcmp(frame0.spectrum[0], frame0.spectrum[1], analysisBins), 0);
    EXPECT_NE(std::memcmp(frame0.waveform[0], frame0.spectrum[0], analysisBins), 0);
}

TEST(SpectrumPattern, RandomBytesSpreadOverTheWholeRange) {
    std::set<int> seen;
    long sum = 0;
    long count = 0;
    for (std::uint64_t frame = 0; frame < 4; ++frame) {
        const Rows rows = filled(SpectrumPattern::random, frame);
        for (const auto* row : {rows.spectrum[0], rows.spectrum[1], rows.waveform[0], rows.waveform[1]})
            for (int k = 0; k < analysisBins; ++k) {
                seen.insert(row[k]);
                sum += row[k];
                ++count;
            }
    }
    EXPECT_EQ(seen.size(), 256u) << "values never produced in " << count << " bytes";
    const double mean = static_cast<double>(sum) / static_cast<double>(count);
    EXPECT_NEAR(mean, 127.5, 5.0);
}

}  // namespace
