#include "EngineTestSupport.h"
#include "ReferenceEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

using namespace EngineTest;

namespace
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;

    /** The processor and the plain model, fed the same blocks. */
    class Duet
    {
    public:
        Duet (int channels, float reverb) : rig (rate, channels), model (1)
        {
            rig.set ("reverb", reverb);
            model.prepare (rate);
        }

        void set (const char* id, float value)     { rig.set (id, value); }

        void render (int numSamples, const juce::MidiBuffer& events = {})
        {
            const auto settings = ReferenceEngine::Settings::of (rig.processor);
            auto midi = events;
            actual = rig.render (numSamples, midi);
            expected.setSize (rig.numChannels, numSamples);
            model.process (expected, events, settings);
        }

        bool identical() const
        {
            for (int channel = 0; channel < actual.getNumChannels(); ++channel)
                if (std::memcmp (actual.getReadPointer (channel), expected.getReadPointer (channel),
                                 sizeof (float) * (size_t) actual.getNumSamples()) != 0)
                    return false;

            return true;
        }

        float largestModelSample() const
        {
            auto largest = 0.0f;

            for (int channel = 0; channel < expected.getNumChannels(); ++channel)
                largest = std::max (largest, expected.getMagnitude (channel, 0, expected.getNumSamples()));

            return largest;
        }

        bool processorIsSilent() const
        {
            for (int channel = 0; channel < actual.getNumChannels(); ++channel)
                for (int i = 0; i < actual.getNumSamples(); ++i)
                    if (std::memcmp (actual.getReadPointer (channel) + i, &zero, sizeof (float)) != 0)
                        return false;

            return true;
        }

        bool reverbIsSilent() const    { return WarbleProcessorTestAccess::reverbIsSilent (rig.processor); }

        /** Plays a chord for half a second and lets it go. */
        void playChord()
        {
            render (blockSize, makeMidi ({ controller (1, 100), noteOn (48), noteOn (55), noteOn (64), noteOn (71) }));

            for (int i = 0; i < (int) rate / 2 / blockSize; ++i)
                render (blockSize);

            render (blockSize, makeMidi ({ controller (123, 0) }));
        }

        /** Renders silence until the processor clears its reverb, comparing every block with the
            model; returns the seconds that took, or a negative number if it did not happen. */
        double secondsUntilTailIsCleared (double limitSeconds)
        {
            for (int block = 0; block * blockSize < (int) (limitSeconds * rate); ++block)
            {
                render (blockSize);
                EXPECT_TRUE (identical()) << "block " << block;

                if (reverbIsSilent())
                    return (block + 1) * blockSize / rate;
            }

            return -1.0;
        }

        EngineRig rig;
        ReferenceEngine model;
        juce::AudioBuffer<float> actual, expected;

    private:
        static constexpr float zero = 0.0f;
    };
}

struct TailCase
{
    int channels;
    float reverb;
    float allowance = ReverbIdleTracker::tailThreshold;
};

static std::ostream& operator<< (std::ostream& os, const TailCase& c)
{
    return os << c.channels << " channels, reverb " << c.reverb;
}

class ClearedTail : public testing::TestWithParam<TailCase> {};

// At every reverb level a tail that has died away is cleared, and the reverb then stops running:
// only after the output has stayed below -100 dBFS for half a second, so that what an engine
// that never clears would still play is itself below -100 dBFS. The next note, from silence in
// both, is the model's to the bit.
TEST_P (ClearedTail, EndsOnlyWhatNoOneCanHear)
{
    const auto& c = GetParam();
    Duet duet (c.channels, c.reverb);
    duet.playChord();

    const auto seconds = duet.secondsUntilTailIsCleared (60.0);
    ASSERT_GT (seconds, 0.5);
    EXPECT_FALSE (duet.model.anyVoiceActive());

    auto largestDifference = 0.0f;

    for (int i = 0; i < (int) (10.0 * rate) / blockSize; ++i)
    {
        duet.render (blockSize);
        ASSERT_TRUE (duet.processorIsSilent());
        largestDifference = std::max (largestDifference, duet.largestModelSample());
    }

    std::cout << "[ figures  ] " << c << ": tail cleared " << seconds << " s after the release; largest "
              << "difference from a reverb that never clears, over the next 10 s: " << largestDifference
              << " (" << juce::Decibels::gainToDecibels (largestDifference, -400.0f) << " dBFS)\n";

    EXPECT_LT (largestDifference, c.allowance);

    duet.model.resetReverb();
    duet.render (blockSize, makeMidi ({ noteOn (60) }));
    EXPECT_TRUE (duet.identical());

    for (int i = 0; i < (int) rate / blockSize; ++i)
    {
        duet.render (blockSize, i == 20 ? makeMidi ({ noteOff (60) }) : juce::MidiBuffer {});
        ASSERT_TRUE (duet.identical()) << "block " << i;
    }
}

INSTANTIATE_TEST_SUITE_P (Reverb, ClearedTail, testing::Values (
    TailCase { 2, 0.35f },
    TailCase { 1, 0.35f },
    // The largest room's own rounding noise hovers around -100 dBFS for ever; its peaks, after
    // the half second below the threshold that lets it be cleared, reach a little above.
    TailCase { 2, 1.0f, 1.5f * ReverbIdleTracker::tailThreshold },
    TailCase { 2, 0.02f },
    TailCase { 2, 0.0f }));

class RaisedReverb : public testing::TestWithParam<float> {};

// A tail cleared at a lower reverb level would, in an engine that never clears, show again,
// louder, when the level is then raised to the largest room during the same silence. The tail is
// judged as the loudest level would show it, so even then what was dropped stays inaudible.
TEST_P (RaisedReverb, RevealsNothingAudibleOfAClearedTail)
{
    Duet duet (2, GetParam());
    duet.set ("volume", 1.0f);
    duet.playChord();
    ASSERT_GT (duet.secondsUntilTailIsCleared (30.0), 0.0);

    duet.set ("reverb", 1.0f);
    auto largest = 0.0f;

    for (int i = 0; i < (int) (10.0 * rate) / blockSize; ++i)
    {
        duet.render (blockSize);
        ASSERT_TRUE (duet.processorIsSilent());
        largest = std::max (largest, duet.largestModelSample());
    }

    std::cout << "[ figures  ] tail cleared at reverb " << GetParam() << ", then reverb 1: a reverb that never "
              << "clears would play up to " << largest << " (" << juce::Decibels::gainToDecibels (largest, -400.0f)
              << " dBFS)\n";

    EXPECT_LT (largest, ReverbIdleTracker::tailThreshold);
}

INSTANTIATE_TEST_SUITE_P (Reverb, RaisedReverb, testing::Values (0.0f, 0.02f, 0.35f, 0.7f));

// The mono path sees only the left side of the reverb; a right side that rang in stereo blocks
// keeps its tail until stereo blocks show that it has died away.
TEST (ReverbTail, MonoBlocksLeaveARightSideThatRangInStereo)
{
    Duet duet (2, 0.02f);
    duet.playChord();

    duet.rig.numChannels = 1;
    EXPECT_LT (duet.secondsUntilTailIsCleared (10.0), 0.0);

    duet.rig.numChannels = 2;
    EXPECT_GT (duet.secondsUntilTailIsCleared (10.0), 0.0);
}

class SettlingReverb : public testing::TestWithParam<int> {};

// The reverb glides to new settings over 10 ms of the samples it processes. New settings that
// arrive in silence are processed until they have settled, so that the next note finds the
// reverb's gains exactly where the model has them.
TEST_P (SettlingReverb, NewSettingsInSilenceGlideAsInTheModel)
{
    Duet duet (2, 0.35f);
    duet.render (blockSize);
    ASSERT_TRUE (duet.reverbIsSilent());

    duet.set ("reverb", 1.0f);

    for (int done = 0; done < GetParam(); done += 64)
        duet.render (64);

    duet.render (blockSize, makeMidi ({ noteOn (60, 127) }));
    EXPECT_TRUE (duet.identical());

    for (int i = 0; i < 8; ++i)
    {
        duet.render (blockSize);
        ASSERT_TRUE (duet.identical()) << "block " << i;
    }
}

INSTANTIATE_TEST_SUITE_P (Reverb, SettlingReverb, testing::Values (0, 64, 256, 448, 512, 1024));
