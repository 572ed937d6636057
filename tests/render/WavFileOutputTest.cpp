#include "RenderTestSupport.h"
#include "output/SignalStatistics.h"
#include "output/WavFileOutput.h"

using RenderTestSupport::TemporaryFolder;

namespace
{
    juce::AudioBuffer<float> rampBlock (int numChannels, int numSamples, float start)
    {
        juce::AudioBuffer<float> block (numChannels, numSamples);

        for (int channel = 0; channel < numChannels; ++channel)
            for (int i = 0; i < numSamples; ++i)
                block.setSample (channel, i, (start + (float) i) / 1000.0f * (channel == 0 ? 1.0f : -1.0f));

        return block;
    }
}

TEST (WavFileOutput, WritesThirtyTwoBitFloatOnlyWhenCommitted)
{
    TemporaryFolder folder;
    const auto target = folder.getFile ("out.wav");

    WavFileOutput output;
    ASSERT_TRUE (output.open (target, 44100.0, 2).wasOk());
    ASSERT_TRUE (output.write (rampBlock (2, 100, 0.0f)).wasOk());
    ASSERT_TRUE (output.write (rampBlock (2, 50, 100.0f)).wasOk());

    // Until the commit, the audio lives in one hidden file beside the target.
    EXPECT_FALSE (target.exists());
    ASSERT_EQ (folder.getContents().size(), 1);
    EXPECT_TRUE (folder.getContents()[0].isHidden());

    ASSERT_TRUE (output.commit().wasOk());
    EXPECT_EQ (folder.getContents(), juce::Array<juce::File> { target });

    const auto wav = RenderTestSupport::readWav (target);
    ASSERT_TRUE (wav.has_value());
    EXPECT_EQ (wav->sampleRate, 44100.0);
    EXPECT_EQ (wav->bitsPerSample, 32u);
    EXPECT_TRUE (wav->usesFloatingPointData);
    ASSERT_EQ (wav->audio.getNumChannels(), 2);
    ASSERT_EQ (wav->audio.getNumSamples(), 150);
    EXPECT_EQ (wav->audio.getSample (0, 149), 0.149f);
    EXPECT_EQ (wav->audio.getSample (1, 120), -0.12f);
}

TEST (WavFileOutput, AnAbandonedFileLeavesNothingAndKeepsTheOldTarget)
{
    TemporaryFolder folder;
    const auto target = folder.getFile ("out.wav");
    ASSERT_TRUE (target.replaceWithText ("an earlier render"));

    {
        WavFileOutput output;
        ASSERT_TRUE (output.open (target, 48000.0, 1).wasOk());
        ASSERT_TRUE (output.write (rampBlock (1, 256, 0.0f)).wasOk());
    }

    EXPECT_EQ (folder.getContents(), juce::Array<juce::File> { target });
    EXPECT_EQ (target.loadFileAsString(), "an earlier render");
}

TEST (WavFileOutput, RefusesTargetsItCannotWrite)
{
    TemporaryFolder folder;
    const auto subfolder = folder.getFile ("renders");
    ASSERT_TRUE (subfolder.createDirectory().wasOk());

    const std::pair<juce::File, const char*> cases[] = {
        { folder.getFile ("missing/out.wav"), "does not exist" },
        { subfolder, "it is a directory" },
    };

    for (const auto& [target, expected] : cases)
    {
        WavFileOutput output;
        const auto result = output.open (target, 48000.0, 2);

        ASSERT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().contains (target.getFullPathName())) << result.getErrorMessage();
        EXPECT_TRUE (result.getErrorMessage().contains (expected)) << result.getErrorMessage();
    }

    EXPECT_EQ (folder.getContents(), juce::Array<juce::File> { subfolder });
    EXPECT_EQ (subfolder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
}

TEST (SignalStatistics, MeasuresAllChannelsAndSilencesNonFiniteSamples)
{
    juce::AudioBuffer<float> block (2, 4);
    block.clear();
    block.setSample (0, 0, 0.5f);
    block.setSample (0, 1, -1.0f);
    block.setSample (1, 2, std::numeric_limits<float>::quiet_NaN());
    block.setSample (1, 3, std::numeric_limits<float>::infinity());

    SignalStatistics statistics;
    statistics.addBlock (block);

    EXPECT_EQ (statistics.getNumNonFiniteSamples(), 2);
    EXPECT_EQ (block.getSample (1, 2), 0.0f);
    EXPECT_EQ (block.getSample (1, 3), 0.0f);
    EXPECT_FLOAT_EQ (statistics.getPeak(), 1.0f);
    EXPECT_DOUBLE_EQ (statistics.getRms(), std::sqrt (1.25 / 8.0));

    EXPECT_EQ (SignalStatistics::toDecibelText (1.0), "0.0 dBFS");
    EXPECT_EQ (SignalStatistics::toDecibelText (0.1), "-20.0 dBFS");
    EXPECT_EQ (SignalStatistics::toDecibelText (0.0), "-inf dBFS");
}
