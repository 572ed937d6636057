#include "RenderOptions.h"

#include <gtest/gtest.h>

namespace
{
    const juce::File workingDirectory ("/work/session");
    const juce::File defaultPlugin ("/build/Warble.vst3");

    juce::Result parse (const juce::StringArray& arguments, RenderOptions& options)
    {
        return RenderOptions::parse (arguments, defaultPlugin, workingDirectory, options);
    }
}

TEST (RenderOptions, DefaultsRenderTheDemoWithTheBuiltPlugin)
{
    RenderOptions options;
    ASSERT_TRUE (parse ({}, options).wasOk());

    EXPECT_EQ (options.midiFile, juce::File());
    EXPECT_EQ (options.outputFile, workingDirectory.getChildFile ("warble-demo.wav"));
    EXPECT_EQ (options.spectrogramFile, juce::File());
    EXPECT_EQ (options.sampleRate, 48000);
    EXPECT_EQ (options.blockSize, 512);
    EXPECT_EQ (options.numChannels, 2);
    // No --tail: the render ends once the output falls quiet.
    EXPECT_FALSE (options.tailSeconds.has_value());
    EXPECT_DOUBLE_EQ (options.maxLengthMinutes, 60.0);
    EXPECT_TRUE (options.parameterSettings.empty());
    EXPECT_EQ (options.pluginBundle, defaultPlugin);
    EXPECT_FALSE (options.helpRequested);
}

TEST (RenderOptions, NamesAFactoryPresetInAnyCaseAndListsThem)
{
    RenderOptions options;
    ASSERT_TRUE (parse ({ "--preset", "  glass PAD", "--set", "reverb=0.1" }, options).wasOk());
    EXPECT_EQ (options.presetName, "Glass Pad");
    EXPECT_EQ (options.parameterSettings.size(), 1u);
    EXPECT_FALSE (options.presetListRequested);

    ASSERT_TRUE (parse ({ "--list-presets" }, options).wasOk());
    EXPECT_TRUE (options.presetListRequested);
    EXPECT_TRUE (options.presetName.isEmpty());
}

TEST (RenderOptions, ReadsEveryOptionInBothForms)
{
    RenderOptions options;
    const auto result = parse ({ "--midi", "song.mid", "--out=/tmp/song.wav", "--rate", "44100", "--block=64",
                                 "--channels", "1", "--tail", "0.5", "--max-length=1.5", "--set", "waveBlend=0",
                                 "--set=glideTime=250.5", "--set", "waveBlend=1", "--plugin", "other/Warble.vst3",
                                 "--spectrogram", "pictures/song.png" },
                               options);
    ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();

    EXPECT_EQ (options.midiFile, workingDirectory.getChildFile ("song.mid"));
    EXPECT_EQ (options.outputFile, juce::File ("/tmp/song.wav"));
    EXPECT_EQ (options.sampleRate, 44100);
    EXPECT_EQ (options.blockSize, 64);
    EXPECT_EQ (options.numChannels, 1);
    EXPECT_EQ (options.tailSeconds, 0.5);
    EXPECT_DOUBLE_EQ (options.maxLengthMinutes, 1.5);
    EXPECT_EQ (options.pluginBundle, workingDirectory.getChildFile ("other/Warble.vst3"));
    EXPECT_EQ (options.spectrogramFile, workingDirectory.getChildFile ("pictures/song.png"));

    // Settings are kept in order, so a later one for the same parameter wins.
    ASSERT_EQ (options.parameterSettings.size(), 3u);
    EXPECT_EQ (options.parameterSettings[1].id, "glideTime");
    EXPECT_DOUBLE_EQ (options.parameterSettings[1].value, 250.5);
    EXPECT_EQ (options.parameterSettings[2].id, "waveBlend");
    EXPECT_DOUBLE_EQ (options.parameterSettings[2].value, 1.0);
}

TEST (RenderOptions, AcceptsTheEndsOfEveryRange)
{
    RenderOptions options;
    ASSERT_TRUE (parse ({ "--rate", "8000", "--block", "1", "--tail", "0" }, options).wasOk());
    EXPECT_EQ (options.sampleRate, 8000);
    EXPECT_EQ (options.blockSize, 1);
    EXPECT_EQ (options.tailSeconds, 0.0);

    ASSERT_TRUE (parse ({ "--rate", "384000", "--block", "8192", "--tail", "60" }, options).wasOk());
    EXPECT_EQ (options.sampleRate, 384000);
    EXPECT_EQ (options.blockSize, 8192);
    EXPECT_EQ (options.tailSeconds, 60.0);
}

TEST (RenderOptions, RefusesAPerformanceLongerThanTheMaximumLength)
{
    RenderOptions options;
    ASSERT_TRUE (parse ({ "--max-length", "2" }, options).wasOk());

    EXPECT_TRUE (options.checkPerformanceLength (0.0).wasOk());
    EXPECT_TRUE (options.checkPerformanceLength (120.0).wasOk());

    const auto refused = options.checkPerformanceLength (150.0);
    ASSERT_TRUE (refused.failed());
    EXPECT_EQ (refused.getErrorMessage(), "the performance lasts 2.5 minutes (150.0 s), longer than --max-length 2 "
                                          "(minutes) allows; raise --max-length to render it");
}

TEST (RenderOptions, HelpIsRecognised)
{
    RenderOptions options;
    ASSERT_TRUE (parse ({ "--help" }, options).wasOk());
    EXPECT_TRUE (options.helpRequested);
    EXPECT_TRUE (RenderOptions::getUsage().contains ("--set ID=VALUE"));
}

struct BadCommandLine
{
    juce::StringArray arguments;
    const char* expectedMessage;

    friend void PrintTo (const BadCommandLine& commandLine, std::ostream* stream)
    {
        *stream << commandLine.arguments.joinIntoString (" ");
    }
};

class RenderOptionsRefusal : public testing::TestWithParam<BadCommandLine> {};

TEST_P (RenderOptionsRefusal, NamesTheProblem)
{
    RenderOptions options;
    const auto result = parse (GetParam().arguments, options);

    ASSERT_TRUE (result.failed());
    EXPECT_TRUE (result.getErrorMessage().contains (GetParam().expectedMessage)) << result.getErrorMessage();
}

INSTANTIATE_TEST_SUITE_P (
    BadArguments, RenderOptionsRefusal,
    testing::Values (
        BadCommandLine { { "--frobnicate" }, "unknown option --frobnicate" },
        BadCommandLine { { "-x" }, "unknown option -x" },
        BadCommandLine { { "song.mid" }, "unexpected argument \"song.mid\"" },
        BadCommandLine { { "--out" }, "--out needs a value" },
        BadCommandLine { { "--out=" }, "--out needs a value" },
        BadCommandLine { { "--rate", "7999" }, "--rate must be a whole number from 8000 to 384000, not \"7999\"" },
        BadCommandLine { { "--rate", "384001" }, "--rate must be a whole number from 8000 to 384000" },
        BadCommandLine { { "--rate", "44100.5" }, "--rate must be a whole number" },
        BadCommandLine { { "--rate", "48k" }, "--rate must be a whole number" },
        BadCommandLine { { "--rate", "99999999999999999999" }, "--rate must be a whole number" },
        BadCommandLine { { "--block", "0" }, "--block must be a whole number from 1 to 8192, not \"0\"" },
        BadCommandLine { { "--block", "8193" }, "--block must be a whole number from 1 to 8192" },
        BadCommandLine { { "--channels", "0" }, "--channels must be 1 (mono) or 2 (stereo), not \"0\"" },
        BadCommandLine { { "--channels", "6" }, "--channels must be 1 (mono) or 2 (stereo)" },
        BadCommandLine { { "--tail", "-1" }, "--tail must be a number of seconds from 0 to 60, not \"-1\"" },
        BadCommandLine { { "--tail", "61" }, "--tail must be a number of seconds from 0 to 60" },
        BadCommandLine { { "--tail", "nan" }, "--tail must be a number of seconds" },
        BadCommandLine { { "--tail", "inf" }, "--tail must be a number of seconds" },
        BadCommandLine { { "--max-length", "0" }, "--max-length must be a number of minutes above 0 and up to 1440, not \"0\"" },
        BadCommandLine { { "--max-length", "1441" }, "--max-length must be a number of minutes above 0 and up to 1440" },
        BadCommandLine { { "--max-length", "-5" }, "--max-length must be a number of minutes" },
        BadCommandLine { { "--max-length", "an hour" }, "--max-length must be a number of minutes" },
        BadCommandLine { { "--set", "waveBlend" }, "--set needs ID=VALUE, not \"waveBlend\"" },
        BadCommandLine { { "--set", "wobble=1" }, "unknown parameter \"wobble\"; the parameters are waveBlend, glideTime" },
        BadCommandLine { { "--set", "WaveBlend=1" }, "unknown parameter \"WaveBlend\"" },
        BadCommandLine { { "--set", "volume=" }, "--set volume: \"\" is not a number" },
        BadCommandLine { { "--set", "volume=loud" }, "--set volume: \"loud\" is not a number" },
        BadCommandLine { { "--set", "volume=1e999" }, "--set volume: \"1e999\" is not a number" },
        BadCommandLine { { "--rate", "48000", "--rate", "44100" }, "--rate is given more than once" },
        BadCommandLine { { "--preset", "Theremin" }, "unknown preset \"Theremin\"; the presets are Classic Theremin, Glass Pad" },
        BadCommandLine { { "--preset=" }, "--preset needs a value" },
        BadCommandLine { { "--preset", "Siren", "--preset", "Glass Pad" }, "--preset is given more than once" }));
