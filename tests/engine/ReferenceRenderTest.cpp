#include "EngineTestSupport.h"
#include "ReferenceEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{
    /** A random player: phrases of notes, wheel moves and the ending controllers, separated by
        rests long enough for the reverb to ring out, with parameter moves between blocks. */
    class RandomPerformer
    {
    public:
        RandomPerformer (juce::int64 seed, double rate, float reverbLevel)
            : random (seed), sampleRate (rate), fixedReverb (reverbLevel)
        {
        }

        int nextBlockSize()
        {
            switch (random.nextInt (20))
            {
                case 0:  return 0;
                case 1:
                case 2:  return 1 + random.nextInt (3);
                case 3:
                case 4:
                case 5:
                case 6:  return 1 + random.nextInt (32);
                default: return 1 + random.nextInt (1024);
            }
        }

        void moveParameters (WarbleProcessor& processor)
        {
            auto* reverb = processor.parameters.getParameter ("reverb");

            if (fixedReverb >= 0.0f)
                reverb->setValueNotifyingHost (fixedReverb);

            if (random.nextInt (8) != 0)
                return;

            const auto& parameters = processor.getParameters();

            for (int i = 1 + random.nextInt (3); --i >= 0;)
            {
                // The ends of the ranges are where clamps and ceilings meet, so they come often.
                const auto value = random.nextInt (4) == 0 ? (float) random.nextInt (2) : random.nextFloat();
                auto* parameter = parameters[random.nextInt (parameters.size())];

                if (parameter != reverb || fixedReverb < 0.0f)
                    parameter->setValueNotifyingHost (value);
            }
        }

        /** The events of the next block; at the end of a phrase, the notes are let go and a rest
            begins. */
        juce::MidiBuffer nextEvents (int blockSize)
        {
            juce::MidiBuffer midi;
            const auto position = [&] { return random.nextInt (std::max (blockSize, 1)); };

            samplesLeftInPhase -= blockSize;

            if (samplesLeftInPhase <= 0)
            {
                playing = ! playing;
                const auto seconds = playing ? 0.3 + 2.5 * random.nextDouble() : 0.05 + 7.0 * random.nextDouble();
                samplesLeftInPhase = (int) (seconds * sampleRate);

                if (! playing)
                {
                    letGo (midi, position());
                    return midi;
                }
            }

            if (! playing)
            {
                if (random.nextInt (200) == 0)
                    midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, random.nextInt (128)), position());

                return midi;
            }

            // About twenty events a second, never fewer than none.
            const auto expected = 20.0 * blockSize / sampleRate;

            while (random.nextDouble() < expected / (1.0 + expected))
                addEvent (midi, position());

            return midi;
        }

    private:
        void letGo (juce::MidiBuffer& midi, int position)
        {
            if (random.nextInt (4) == 0)
                midi.addEvent (juce::MidiMessage::controllerEvent (1 + random.nextInt (16), random.nextBool() ? 120 : 123, 0), position);
            else
                for (const auto note : held)
                    midi.addEvent (juce::MidiMessage::noteOff (1, note), position);

            held.clear();
        }

        void addEvent (juce::MidiBuffer& midi, int position)
        {
            const auto channel = 1 + random.nextInt (16);
            const auto heldNote = [this] { return held[(size_t) random.nextInt ((int) held.size())]; };

            switch (random.nextInt (12))
            {
                case 0:
                case 1:
                case 2:
                {
                    // Now and then a chord big enough to make the voices steal from each other.
                    for (int i = random.nextInt (6) == 0 ? 3 + random.nextInt (8) : 1; --i >= 0;)
                    {
                        const auto note = held.empty() || random.nextInt (5) != 0 ? 24 + random.nextInt (85) : heldNote();
                        midi.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) (1 + random.nextInt (127))), position);
                        held.push_back (note);
                    }

                    break;
                }
                case 3:
                case 4:
                    if (! held.empty())
                    {
                        const auto note = heldNote();
                        // A note-on of velocity 0 is a note-off.
                        midi.addEvent (random.nextBool() ? juce::MidiMessage::noteOff (channel, note)
                                                         : juce::MidiMessage::noteOn (channel, note, (juce::uint8) 0),
                                       position);
                        held.erase (std::find (held.begin(), held.end(), note));
                    }
                    break;
                case 5:
                case 6:
                case 7:
                case 8:
                    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 1, random.nextInt (128)), position);
                    break;
                case 9:
                    if (random.nextInt (6) == 0)
                        letGo (midi, position);
                    break;
                case 10:
                    midi.addEvent (juce::MidiMessage::pitchWheel (channel, random.nextInt (16384)), position);
                    break;
                default:
                    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 64, random.nextInt (128)), position);
                    break;
            }
        }

        juce::Random random;
        double sampleRate;
        float fixedReverb;
        std::vector<int> held;
        bool playing = false;
        int samplesLeftInPhase = 0;
    };

    testing::AssertionResult identical (const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected)
    {
        for (int channel = 0; channel < actual.getNumChannels(); ++channel)
        {
            const auto* a = actual.getReadPointer (channel);
            const auto* e = expected.getReadPointer (channel);

            for (int i = 0; i < actual.getNumSamples(); ++i)
                if (std::memcmp (a + i, e + i, sizeof (float)) != 0)
                    return testing::AssertionFailure() << "channel " << channel << ", sample " << i << ": "
                                                       << juce::String::formatted ("%.9g instead of %.9g", a[i], e[i]);
        }

        return testing::AssertionSuccess();
    }

    struct PerformanceCase
    {
        double rate;
        int channels;
        juce::int64 seed;
        float fixedReverb = -1.0f;   // a reverb level held throughout, or random when negative
    };

    std::ostream& operator<< (std::ostream& os, const PerformanceCase& c)
    {
        os << c.rate << " Hz, " << c.channels << " channels, seed " << c.seed;

        if (c.fixedReverb >= 0.0f)
            os << ", reverb " << c.fixedReverb;

        return os;
    }
}

class ReferenceRender : public testing::TestWithParam<PerformanceCase> {};

// The processor against the plain model over random performances: every block, every channel,
// every sample equal, including the reverb's output, a re-preparation and empty blocks. When the
// processor clears a reverb tail that has died away, the model's reverb is cleared with it (what
// that drops is measured in the reverb's own tests), and from there on both go on alike.
TEST_P (ReferenceRender, ProcessorMatchesThePlainModelBitForBit)
{
    const auto& c = GetParam();

    WarbleProcessor processor;
    WarbleProcessorTestAccess::random (processor).setSeed (c.seed);
    processor.prepareToPlay (c.rate, 1024);

    ReferenceEngine model (c.seed);
    model.prepare (c.rate);

    RandomPerformer performer (c.seed * 7919 + 13, c.rate, c.fixedReverb);
    juce::Random random (c.seed);
    const auto totalSamples = (juce::int64) (c.rate * 24.0);
    const auto reprepareAt = (juce::int64) (c.rate * (4.0 + 16.0 * random.nextDouble()));
    auto reprepared = false;

    juce::AudioBuffer<float> actual (c.channels, 1024), expected (c.channels, 1024);
    int soundingBlocks = 0, tailsCleared = 0;

    for (juce::int64 rendered = 0; rendered < totalSamples;)
    {
        if (! reprepared && rendered >= reprepareAt)
        {
            processor.prepareToPlay (c.rate, 1024);
            model.prepare (c.rate);
            reprepared = true;
        }

        performer.moveParameters (processor);
        const auto blockSize = performer.nextBlockSize();
        const auto events = performer.nextEvents (blockSize);
        const auto settings = ReferenceEngine::Settings::of (processor);

        actual.setSize (c.channels, blockSize, false, false, true);
        expected.setSize (c.channels, blockSize, false, false, true);

        const auto reverbWasSilent = WarbleProcessorTestAccess::reverbIsSilent (processor);
        auto midi = events;
        processor.processBlock (actual, midi);
        model.process (expected, events, settings);

        soundingBlocks += model.anyVoiceActive() ? 1 : 0;

        ASSERT_TRUE (identical (actual, expected)) << "in the block of " << blockSize << " samples after "
                                                   << rendered << " samples";

        if (! reverbWasSilent && WarbleProcessorTestAccess::reverbIsSilent (processor))
        {
            model.resetReverb();
            ++tailsCleared;
        }

        rendered += blockSize;
    }

    // The performance did play, and with a steady reverb level its rests let tails die away.
    EXPECT_GT (soundingBlocks, 100);

    if (c.fixedReverb >= 0.0f)
    {
        EXPECT_GT (tailsCleared, 0);
    }
}

INSTANTIATE_TEST_SUITE_P (Engine, ReferenceRender, testing::Values (
    PerformanceCase { 44100.0, 2, 1 },
    PerformanceCase { 44100.0, 1, 2 },
    PerformanceCase { 44100.0, 3, 3 },
    PerformanceCase { 48000.0, 2, 4 },
    PerformanceCase { 48000.0, 1, 5 },
    PerformanceCase { 48000.0, 3, 6 },
    PerformanceCase { 96000.0, 2, 7 },
    PerformanceCase { 96000.0, 1, 8 },
    PerformanceCase { 96000.0, 3, 9 },
    PerformanceCase { 44100.0, 2, 10, 0.2f },
    PerformanceCase { 48000.0, 1, 11, 0.03f },
    PerformanceCase { 96000.0, 2, 12, 0.0f },
    PerformanceCase { 48000.0, 2, 13, 0.6f }));
