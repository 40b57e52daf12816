#include "queue/natural_order.h"
#include "queue/now_playing.h"
#include "queue/player_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(PlayQueue, NamesSortAsAUserCountsThem) {
    // As a folder lists them, and the order a user expects.
    std::vector<std::string> names = {"10.wav", "Track 2.mp3", "2.wav", "b.flac", "track 10.mp3",
                                      "A.flac", "01.wav", "1.wav", "CD 10\\01.mp3", "CD 2\\02.mp3",
                                      "CD 2\\10.mp3", "Ä.wav"};
    std::sort(names.begin(), names.end(), naturalPathLess);
    const std::vector<std::string> expected = {"01.wav", "1.wav", "2.wav", "10.wav", "A.flac",
                                               "b.flac", "CD 2\\02.mp3", "CD 2\\10.mp3",
                                               "CD 10\\01.mp3", "Track 2.mp3", "track 10.mp3", "Ä.wav"};
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(naturalLess("a", "a"));
    EXPECT_TRUE(naturalLess("A", "a")) << "names equal but for case still have an order";
}

TEST(PlayQueue, TitleTellsTheTrackWhereItIsAndHowLong) {
    struct Row {
        NowPlaying playing;
        const char* title;
    };
    const Row rows[] = {
        {{.source = "C:\\Music\\Album\\03 Song.flac", .file = true, .position = 83.9, .length = 296.0,
          .paused = false}, "03 Song \u2014 1:23 / 4:56 \u2014 zelplay"},
        {{.source = "song.mp3", .file = true, .position = 0.0, .length = 5.0, .paused = true},
         "song \u2014 0:00 / 0:05 (paused) \u2014 zelplay"},
        {{.source = "mix.wav", .file = true, .position = 3725.0, .length = 10800.0, .paused = false},
         "mix \u2014 1:02:05 / 3:00:00 \u2014 zelplay"},
        {{.source = "Z:\\.hidden", .file = true, .position = -1.0, .length = std::nullopt, .paused = false},
         ".hidden \u2014 0:00 \u2014 zelplay"},
        {{.source = "standard input", .file = false, .position = 61.0, .length = std::nullopt,
          .paused = false}, "standard input \u2014 1:01 \u2014 zelplay"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nowPlayingTitle(row.playing), row.title);
    }
}

TEST(PlayQueue, KeysMapToTheirActions) {
    struct Row {
        const char* name;
        bool shift;
        PlayerAction action;
    };
    const Row rows[] = {
        {"space", false, PlayerAction::pause},    {"left", false, PlayerAction::back},
        {"left", true, PlayerAction::backFar},    {"right", false, PlayerAction::forward},
        {"right", true, PlayerAction::forwardFar}, {"n", false, PlayerAction::next},
        {"pagedown", false, PlayerAction::next},  {"p", false, PlayerAction::previous},
        {"pageup", false, PlayerAction::previous}, {"esc", false, PlayerAction::stop},
        {"q", false, PlayerAction::stop},         {"f", false, PlayerAction::fullScreen},
    };
    for (const Row& row : rows) {
        const std::optional<unsigned> code = keyCodeNamed(row.name);
        ASSERT_TRUE(code) << row.name;
        EXPECT_EQ(actionForKey(*code, row.shift), row.action) << row.name << (row.shift ? " with Shift" : "");
    }
    EXPECT_FALSE(actionForKey('A', false)) << "a key the player has no use for does nothing";
}

} // namespace
