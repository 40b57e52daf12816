#include "options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Parsed {
    std::optional<PlayerOptions> options;
    std::string error;
};

Parsed parse(std::initializer_list<const char*> args) {
    std::vector<std::string> storage{"zelplay"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) argv.push_back(arg.data());
    Parsed parsed;
    parsed.options = parseOptions(static_cast<int>(argv.size()), argv.data(), parsed.error);
    return parsed;
}

// Refused, with an error that names `word`.
void expectRefused(std::initializer_list<const char*> args, const std::string& word) {
    const Parsed parsed = parse(args);
    std::string line;
    for (const char* arg : args) line += std::string(arg) + " ";
    EXPECT_FALSE(parsed.options.has_value()) << "accepted: " << line;
    EXPECT_NE(parsed.error.find(word), std::string::npos)
        << "for: " << line << "\nerror: " << parsed.error << "\nshould mention: " << word;
}

TEST(PlayerOptions, WithoutArgumentsPlaysTheBuiltInTrackLiveAsTheMediaPlayerHosts) {
    const Parsed parsed = parse({});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->audio, AudioSource::demo) << "a double-click plays something";
    EXPECT_FALSE(parsed.options->pattern);
    EXPECT_FALSE(parsed.options->record);
    EXPECT_EQ(parsed.options->fps, 30);
    EXPECT_FALSE(parsed.options->size);
    EXPECT_TRUE(parsed.options->videoOut.empty());
    EXPECT_FALSE(parsed.options->singleThread) << "media players render on a thread of their own";
    EXPECT_EQ(parsed.options->starts, 1);
    EXPECT_EQ(parsed.options->scale, SpectrumScale::reference);
    EXPECT_EQ(parsed.options->parent, ParentWindow::player);
    EXPECT_FALSE(parsed.options->resizeOnNotice);
    EXPECT_FALSE(parsed.options->destroyHostAfter);
    EXPECT_TRUE(parsed.options->glTracePath.empty());

    const Parsed options = parse({"--frames", "3"});
    ASSERT_TRUE(options.options) << options.error;
    EXPECT_EQ(options.options->audio, AudioSource::none) << "any option: no music unless asked";
}

TEST(PlayerOptions, BarePathsAndAudioOptionsQueueInTurn) {
    const Parsed parsed = parse({"C:\\Music\\song.wav", "--frames", "3"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->audio, AudioSource::file);
    EXPECT_EQ(parsed.options->audioPaths, std::vector<std::string>{"C:\\Music\\song.wav"});
    // What Explorer hands over for an album dropped on the player: a file an argument.
    const Parsed dropped = parse({"a.wav", "b.mp3", "Album", "--audio", "c.flac", "--audio", "d.wav"});
    ASSERT_TRUE(dropped.options) << dropped.error;
    EXPECT_EQ(dropped.options->audioPaths,
              (std::vector<std::string>{"a.wav", "b.mp3", "Album", "c.flac", "d.wav"}));
    expectRefused({"song.wav", "--demo-track"}, "choose one");
    expectRefused({"a.wav", "b.wav", "--write-decoded-wav", "out.wav"}, "one file");
}

TEST(PlayerOptions, ReadsTheKeysToPressAndRefusesThemWhileRecording) {
    const Parsed parsed = parse({"a.wav", "--keys", "3:space,6:right,9:n,12:esc"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const std::vector<KeyPress>& keys = parsed.options->keyPresses;
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].afterFrames, 3);
    EXPECT_EQ(keys[0].code, 0x20u);
    EXPECT_EQ(keys[1].code, 0x27u);
    EXPECT_EQ(keys[2].code, unsigned{'N'});
    EXPECT_EQ(keys[3].code, 0x1Bu);
    expectRefused({"a.wav", "--keys", "3:enter"}, "--keys");
    expectRefused({"a.wav", "--keys", "space"}, "--keys");
    expectRefused({"a.wav", "--record", "--keys", "3:space"}, "leave out --record");
}

TEST(PlayerOptions, ReadsEachAudioSource) {
    const Parsed wav = parse({"--audio", "song.wav"});
    ASSERT_TRUE(wav.options) << wav.error;
    EXPECT_EQ(wav.options->audio, AudioSource::file);
    EXPECT_EQ(wav.options->audioPaths, std::vector<std::string>{"song.wav"});

    const Parsed raw = parse({"--raw-pcm", "48000"});
    ASSERT_TRUE(raw.options) << raw.error;
    EXPECT_EQ(raw.options->audio, AudioSource::rawPcm);
    EXPECT_EQ(raw.options->rawPcmRate, 48000);

    const Parsed demo = parse({"--demo-track"});
    ASSERT_TRUE(demo.options) << demo.error;
    EXPECT_EQ(demo.options->audio, AudioSource::demo);

    const Parsed pattern = parse({"--spectrum", "right"});
    ASSERT_TRUE(pattern.options) << pattern.error;
    EXPECT_EQ(pattern.options->audio, AudioSource::none);
    EXPECT_EQ(pattern.options->pattern, SpectrumPattern::right);
}

TEST(PlayerOptions, TakesOneSourceOnly) {
    expectRefused({"--demo-track", "--audio", "a.wav"}, "choose one");
    expectRefused({"--spectrum", "left", "--demo-track"}, "choose one");
    expectRefused({"--raw-pcm", "44100", "--spectrum", "random"}, "choose one");
    // Writing the decoded audio needs audio to decode.
    expectRefused({"--write-decoded-wav", "out.wav"}, "--write-decoded-wav needs");
    expectRefused({"--write-decoded-wav", "out.wav", "--spectrum", "left"}, "--write-decoded-wav");
}

TEST(PlayerOptions, ReadsARecordingsSettings) {
    const Parsed parsed = parse({"--demo-track", "--record", "--video-out", "-", "--fps", "60",
                                 "--size", "1280x720", "--progress", "--frames", "90"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->record);
    EXPECT_EQ(parsed.options->videoOut, "-");
    EXPECT_EQ(parsed.options->fps, 60);
    ASSERT_TRUE(parsed.options->size);
    EXPECT_EQ(parsed.options->size->width, 1280);
    EXPECT_EQ(parsed.options->size->height, 720);
    EXPECT_TRUE(parsed.options->progress);
    EXPECT_EQ(parsed.options->frames, 90);
}

TEST(PlayerOptions, RefusesRecordingSettingsThatCannotWork) {
    expectRefused({"--demo-track", "--video-out", "out.rgb"}, "--record");
    expectRefused({"--demo-track", "--progress"}, "--record");
    expectRefused({"--record"}, "--frames");
    expectRefused({"--record", "--spectrum", "left"}, "--frames");
    EXPECT_TRUE(parse({"--record", "--spectrum", "left", "--frames", "10"}).options);
    EXPECT_TRUE(parse({"--record", "--frames", "10"}).options);
}

TEST(PlayerOptions, ReadsSizesAsWidthByHeight) {
    const Parsed smallest = parse({"--size", "1x1"});
    ASSERT_TRUE(smallest.options) << smallest.error;
    EXPECT_EQ(smallest.options->size->width, 1);
    EXPECT_EQ(smallest.options->size->height, 1);
    for (const char* wrong : {"640", "640x", "x480", "0x480", "640x0", "640*480", "-640x480",
                              "640x480x2", "16385x100", "640 x480", "99999999999x1"})
        expectRefused({"--size", wrong}, "--size");
    expectRefused({"--size"}, "--size");
}

TEST(PlayerOptions, RefusesRatesOutOfRange) {
    expectRefused({"--fps", "0"}, "--fps");
    expectRefused({"--fps", "1001"}, "--fps");
    expectRefused({"--fps", "thirty"}, "--fps");
    EXPECT_TRUE(parse({"--fps", "1"}).options);
    EXPECT_TRUE(parse({"--fps", "1000"}).options);
    expectRefused({"--raw-pcm", "0"}, "--raw-pcm");
    expectRefused({"--raw-pcm", "768001"}, "--raw-pcm");
    expectRefused({"--raw-pcm"}, "--raw-pcm");
}

TEST(PlayerOptions, RefusesUnknownPatternsAndMissingValues) {
    expectRefused({"--spectrum", "loud"}, "silence, left, right, both, random");
    expectRefused({"--audio"}, "--audio");
    expectRefused({"--audio", ""}, "--audio");
    expectRefused({"--video-out"}, "--video-out");
    expectRefused({"--frames", "-1"}, "--frames");
    expectRefused({"--loud"}, "--loud");
}

TEST(PlayerOptions, WritingTheDemoIgnoresTheRunsCombinations) {
    const Parsed parsed = parse({"--write-demo-wav", "demo.wav", "--progress"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->demoWavPath, "demo.wav");
}

TEST(PlayerOptions, KeepsTheHostOptions) {
    const Parsed parsed = parse({"--save-frames", "0,10,last", "--frames", "12", "--unattended",
                                 "--send-close-after", "3", "--out-dir", "shots", "--single-thread",
                                 "--resize-on-notice", "--destroy-host-after", "5", "--gl-trace",
                                 "gl.txt", "--plugin", "a.dll", "--plugin", "b.dll", "--starts", "4",
                                 "--render-thread", "--ignore-init-result", "--ignore-render-result",
                                 "--render-after-quit", "2", "--quit-twice", "--wait-for-wm-quit",
                                 "--parent", "hidden", "--null-instance", "--config-after", "1",
                                 "--commands-after", "2", "--pause-after", "3", "--db-spectrum"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const PlayerOptions& options = *parsed.options;
    EXPECT_EQ(options.saveSwaps, (std::vector<long>{0, 10}));
    EXPECT_TRUE(options.saveLastSwap);
    EXPECT_EQ(options.frames, 12);
    EXPECT_TRUE(options.unattended);
    EXPECT_EQ(options.sendCloseAfter, 3);
    EXPECT_EQ(options.outDir, "shots");
    EXPECT_TRUE(options.singleThread);
    EXPECT_TRUE(options.resizeOnNotice);
    EXPECT_EQ(options.destroyHostAfter, 5);
    EXPECT_EQ(options.glTracePath, "gl.txt");
    EXPECT_EQ(options.pluginPaths, (std::vector<std::string>{"a.dll", "b.dll"}));
    EXPECT_EQ(options.starts, 4);
    EXPECT_TRUE(options.renderThread && options.ignoreInitResult && options.ignoreRenderResult &&
                options.quitTwice && options.waitForQuitMessage && options.nullInstance);
    EXPECT_EQ(options.rendersAfterQuit, 2);
    EXPECT_EQ(options.parent, ParentWindow::hidden);
    EXPECT_EQ(options.configAfter, 1);
    EXPECT_EQ(options.commandsAfter, 2);
    EXPECT_EQ(options.pauseAfter, 3);
    EXPECT_EQ(options.scale, SpectrumScale::decibel);
    expectRefused({"--save-frames", "0,first"}, "--save-frames");
    expectRefused({"--destroy-host-after", "soon"}, "--destroy-host-after");
    expectRefused({"--gl-trace"}, "--gl-trace");
    expectRefused({"--parent", "owner"}, "null, desktop, hidden");
    expectRefused({"--starts", "0"}, "--starts");
}

TEST(PlayerOptions, RefusesHostHabitsThatCannotGoTogether) {
    expectRefused({"--starts", "2", "--demo-track", "--record", "--video-out", "v.rgb"}, "--starts");
    expectRefused({"--starts", "2", "--raw-pcm", "44100"}, "--starts");
    expectRefused({"--keep-loaded", "--plugin", "a.dll", "--plugin", "b.dll"}, "--plugin");
    expectRefused({"--single-thread", "--stop-without-pumping"}, "--single-thread");
}

TEST(PlayerOptions, ReadsTheCommandLineAsItAlwaysHas) {
    expectRefused({"--frames"}, "--frames");
    expectRefused({"-x"}, "-x");
    expectRefused({"--fps", "0x10"}, "--fps");
    expectRefused({"--save-frames", "0,"}, "--save-frames");
    expectRefused({"--plugin", "a.dll", "--plugin", ""}, "--plugin");
    const auto read = [](std::initializer_list<const char*> args) {
        return parse(args).options.value_or(PlayerOptions{});
    };
    EXPECT_EQ(read({"--fps", "010"}).fps, 10) << "decimal, not octal";
    EXPECT_EQ(read({"--fps", "60", "--fps", "24"}).fps, 24) << "the last one counts";
    EXPECT_EQ(read({"--frames=4"}).frames, 4);
    EXPECT_TRUE(read({"--vis-thread", "--single-thread"}).singleThread);
    EXPECT_FALSE(read({"--single-thread", "--vis-thread"}).singleThread);
    EXPECT_EQ(read({"--save-frames", "1", "--save-frames", "2,last"}).saveSwaps, (std::vector<long>{1, 2}));
}

TEST(PlayerOptions, AnswersHelpAndVersionInsteadOfARun) {
    const Parsed version = parse({"--version", "--progress"});
    ASSERT_TRUE(version.options) << version.error;
    EXPECT_EQ(version.options->infoText, "zelplay " ZELVIS_VERSION " (zelVis)\n");
    const Parsed help = parse({"--help"});
    ASSERT_TRUE(help.options) << help.error;
    for (const char* part : {"Audio", "Recording", "Hosting behaviours", "Tracing", "--destroy-host-after"})
        EXPECT_NE(help.options->infoText.find(part), std::string::npos) << "the help lacks " << part;
}

}  // namespace
