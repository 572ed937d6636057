#include "Listening.h"
#include "support/HostedPlayer.h"
#include "support/Phrase.h"

#include <gtest/gtest.h>

#include <iostream>

// Every event is heard at its own time, whatever block size the host chooses: a note begins at
// its sample, a short note sounds as long as it was played, and the same performance renders the
// same samples at any block size.
namespace
{
    using namespace warble::test;

    struct TimedNote
    {
        double start, length;
        int note;
    };

    // Short notes at times that fall anywhere within a block, far enough apart that each has
    // died away (the reverb is off) before the next begins.
    const TimedNote shortNotes[] = {
        { 0.1237, 0.005, 60 }, { 0.6071, 0.020, 67 }, { 1.0913, 0.005, 72 }, { 1.5389, 0.020, 55 },
    };

    std::vector<float> playShortNotes (int blockSize)
    {
        Phrase phrase;

        for (const auto& n : shortNotes)
            phrase.note (n.start, n.start + n.length, n.note);

        return HostedPlayer().set ("reverb", 0.0).playLeft (phrase.getMidi(), 2.0, blockSize);
    }

    /** Where a note may be heard: its notes start at least 0.45 s apart. */
    std::pair<int, int> surroundings (const TimedNote& n)
    {
        return { HostedPlayer::sampleAt (n.start - 0.05), HostedPlayer::sampleAt (n.start + 0.4) };
    }
}
TEST (NoteTiming, ShortNotesBeginAtTheirSampleAndSoundAlikeAtAnyBlockSize)
{
    std::vector<float> firstPeaks;

    for (const auto blockSize : { 64, 512, 2048 })
    {
        const auto take = playShortNotes (blockSize);
        std::vector<float> peaks;
        juce::String onsets;

        for (const auto& n : shortNotes)
        {
            const auto [from, to] = surroundings (n);
            const auto expected = HostedPlayer::sampleAt (n.start);
            const auto onset = Listening::firstSound (take, from, to);
            EXPECT_NEAR (onset, expected, 1) << "a note of " << n.length * 1000.0 << " ms in blocks of " << blockSize;

            onsets << " " << (onset < 0 ? juce::String ("silent")
                                        : juce::String (1000.0 * (onset - expected) / HostedPlayer::sampleRate, 2));

            auto peak = 0.0f;
            for (auto i = from; i < to; ++i)
                peak = std::max (peak, std::abs (take[(size_t) i]));

            peaks.push_back (peak);
        }

        std::cout << "  blocks of " << blockSize << ": onsets (ms from their time, 5, 20, 5, 20 ms notes)" << onsets
                  << "; peaks";

        for (const auto peak : peaks)
            std::cout << " " << juce::String (peak, 4);

        std::cout << "\n";

        if (firstPeaks.empty())
            firstPeaks = peaks;
        else
            EXPECT_EQ (peaks, firstPeaks) << "in blocks of " << blockSize;
    }
}

// With the parameters held still nothing depends on where the blocks begin. The mod wheel stays
// at or below 0.2, where the vibrato, whose starting phase is random in every instance, is still
// silent; the render ends before the reverb's tail has died away, which is judged block by block.
TEST (NoteTiming, TheSamePerformanceIsBitIdenticalAtAnyBlockSize)
{
    Phrase phrase;
    phrase.note (0.0, 0.7, 57, 100).wheel (0.2113, 12).note (0.3011, 1.2, 64, 70).wheel (0.5407, 25)
          .note (0.9001, 0.9051, 81, 127).wheel (1.1003, 3);

    for (int i = 0; i < 9; ++i)
        phrase.note (1.3 + 0.0107 * i, 2.1 + 0.013 * i, 45 + 4 * i, 50 + 9 * i);

    const auto reference = HostedPlayer().set ("reverb", 0.35).playLeft (phrase.getMidi(), 3.5, 512);

    for (const auto blockSize : { 1, 37, 4096 })
    {
        const auto take = HostedPlayer().set ("reverb", 0.35).playLeft (phrase.getMidi(), 3.5, blockSize);
        ASSERT_EQ (take.size(), reference.size());

        const auto firstDifference = std::mismatch (take.begin(), take.end(), reference.begin()).first - take.begin();
        auto largestDifference = 0.0f;

        for (size_t i = 0; i < take.size(); ++i)
            largestDifference = std::max (largestDifference, std::abs (take[i] - reference[i]));

        std::cout << "  blocks of " << blockSize << " against 512: "
                  << (largestDifference == 0.0f ? juce::String ("identical")
                                                : "first difference at " + juce::String (firstDifference / HostedPlayer::sampleRate, 4)
                                                  + " s, largest " + juce::String (Listening::toDecibels (largestDifference), 1) + " dBFS")
                  << "\n";

        EXPECT_EQ (largestDifference, 0.0f) << "in blocks of " << blockSize;
    }
}
