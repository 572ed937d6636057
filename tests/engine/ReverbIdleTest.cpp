#include "EngineTestSupport.h"
#include "ReferenceEngine.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace EngineTest;

namespace
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;

    // One step of 24-bit audio.
    constexpr float step24 = 1.0f / 8388608.0f;

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

class ClearedTail : public testing::TestWithParam<int> {};

// A low reverb level lets a tail sink below the threshold. It is cleared only after it has
// stayed there: the model's remains of it are then under one step of 24-bit audio, and the next
// note, from silence in both, is the model's to the bit.
TEST_P (ClearedTail, EndsOnlyWhatNoOneCanHear)
{
    Duet duet (GetParam(), 0.02f);
    duet.playChord();

    const auto seconds = duet.secondsUntilTailIsCleared (20.0);
    ASSERT_GT (seconds, 0.5);
    EXPECT_FALSE (duet.model.anyVoiceActive());

    for (int i = 0; i < (int) (5.0 * rate) / blockSize; ++i)
    {
        duet.render (blockSize);
        ASSERT_TRUE (duet.processorIsSilent());
        ASSERT_LT (duet.largestModelSample(), step24);
    }

    duet.model.resetReverb();
    duet.render (blockSize, makeMidi ({ noteOn (60) }));
    EXPECT_TRUE (duet.identical());

    for (int i = 0; i < (int) rate / blockSize; ++i)
    {
        duet.render (blockSize, i == 20 ? makeMidi ({ noteOff (60) }) : juce::MidiBuffer {});
        ASSERT_TRUE (duet.identical()) << "block " << i;
    }
}

INSTANTIATE_TEST_SUITE_P (Reverb, ClearedTail, testing::Values (1, 2));

struct RingingCase
{
    float reverb;
    const char* why;
};

std::ostream& operator<< (std::ostream& os, const RingingCase& c)
{
    return os << "reverb " << c.reverb << ": " << c.why;
}

class RingingTail : public testing::TestWithParam<RingingCase> {};

// JUCE's reverb never quite falls silent: its guard against denormals rounds its memory to a
// fine grid, and what is left circulates for ever a few steps of 24-bit audio above zero. Such a
// tail, and one that a wet level of zero hides, keeps running exactly as in the model.
TEST_P (RingingTail, KeepsRunning)
{
    Duet duet (2, GetParam().reverb);
    duet.playChord();

    EXPECT_LT (duet.secondsUntilTailIsCleared (20.0), 0.0);
    EXPECT_FALSE (duet.reverbIsSilent());
}

INSTANTIATE_TEST_SUITE_P (Reverb, RingingTail, testing::Values (
    RingingCase { 0.35f, "the default level: the remains stay above the threshold" },
    RingingCase { 1.0f, "the largest room" },
    RingingCase { 0.0f, "no wet signal shows the tail" },
    RingingCase { 0.005f, "a wet gain too low to show it" }));

// The one difference that can outgrow a step of 24-bit audio: a tail cleared at a low reverb
// level would, in the model, show again, louder, when the level is then raised. What it shows is
// the reverb's own rounding noise, far below hearing (about 2^-18.5 at the largest room).
TEST (ReverbTail, RaisingTheReverbLevelAfterwardsRevealsOnlyRoundingNoise)
{
    Duet duet (2, 0.02f);
    duet.playChord();
    ASSERT_GT (duet.secondsUntilTailIsCleared (20.0), 0.0);

    duet.set ("reverb", 1.0f);
    auto largest = 0.0f;

    for (int i = 0; i < (int) (10.0 * rate) / blockSize; ++i)
    {
        duet.render (blockSize);
        ASSERT_TRUE (duet.processorIsSilent());
        largest = std::max (largest, duet.largestModelSample());
    }

    EXPECT_LT (largest, 1.0f / 131072.0f);   // 2^-17, about -102 dBFS
}

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
