#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <bitset>
#include <limits>

using namespace EngineTest;

namespace
{
    void expectVoicesInRange (WarbleProcessor& processor)
    {
        for (const auto& v : WarbleProcessorTestAccess::voices (processor))
        {
            ASSERT_GE (v.phase, 0.0);
            ASSERT_LT (v.phase, 1.0);
            ASSERT_GE (v.envelope, 0.0f);
            ASSERT_LE (v.envelope, 1.0f);
            ASSERT_TRUE (std::isfinite (v.currentHz));
            for (const auto stage : v.filterStages)
                ASSERT_TRUE (std::isfinite (stage));
        }
    }

    std::bitset<WarbleProcessor::numVoices> activeVoiceSet (WarbleProcessor& processor)
    {
        std::bitset<WarbleProcessor::numVoices> set;
        const auto& voices = WarbleProcessorTestAccess::voices (processor);

        for (size_t i = 0; i < voices.size(); ++i)
            set[i] = voices[i].active;

        return set;
    }

    size_t numNoteOns (const juce::MidiBuffer& midi)
    {
        size_t count = 0;

        for (const auto event : midi)
            count += (event.numBytes >= 3 && (event.data[0] & 0xf0) == 0x90 && (event.data[2] & 0x7f) != 0) ? 1 : 0;

        return count;
    }

    double measuredPitch (EngineRig& rig, double rate)
    {
        const auto numSamples = (int) (rate * 0.5);
        const auto output = rig.renderChannel0 (numSamples, 1024);
        const auto skip = numSamples / 5;
        return estimateFrequency (output.data() + skip, numSamples - skip, rate);
    }
}

class SampleRates : public testing::TestWithParam<double> {};

TEST_P (SampleRates, PitchIsRightAndOutputFinite)
{
    const auto rate = GetParam();

    EngineRig dry (rate);
    dry.send ({ noteOn (69) });
    EXPECT_NEAR (measuredPitch (dry, rate), 440.0, 0.1);

    // The extremes of the keyboard with everything turned up, through the reverb.
    EngineRig loud (rate, 2);
    for (const auto& [id, value] : { std::pair { "volume", 1.0f }, std::pair { "resonance", 1.0f },
                                     std::pair { "filterBase", 1.0f }, std::pair { "reverb", 1.0f },
                                     std::pair { "waveBlend", 1.0f }, std::pair { "vibratoRate", 10.0f } })
        loud.set (id, value);

    loud.send ({ controller (1, 127), noteOn (0, 127), noteOn (127, 127), noteOn (120, 127), noteOn (96, 1) });

    for (int block = 0; block < (int) (rate * 0.5) / 2048; ++block)
    {
        const auto buffer = loud.render (2048);
        ASSERT_TRUE (allFinite (buffer)) << "block " << block;
        expectVoicesInRange (loud.processor);
    }
}

INSTANTIATE_TEST_SUITE_P (EngineRobustness, SampleRates,
                          testing::Values (8000.0, 11025.0, 16000.0, 22050.0, 32000.0, 44100.0, 48000.0,
                                           88200.0, 96000.0, 176400.0, 192000.0, 352800.0, 384000.0, 768000.0),
                          [] (const auto& testInfo) { return std::to_string ((int) testInfo.param) + "Hz"; });

TEST (EngineRobustness, UnusableSampleRateKeepsTheLastGoodOne)
{
    constexpr auto infinity = std::numeric_limits<double>::infinity();

    for (const auto bad : { std::numeric_limits<double>::quiet_NaN(), infinity, -infinity, 0.0, -48000.0,
                            999.0, 1536000.0, 1.0e7, std::numeric_limits<double>::denorm_min() })
    {
        EngineRig rig (48000.0);
        rig.processor.prepareToPlay (bad, 512);
        EXPECT_EQ (WarbleProcessorTestAccess::sampleRate (rig.processor), 48000.0) << bad;

        rig.send ({ noteOn (69) });
        EXPECT_NEAR (measuredPitch (rig, 48000.0), 440.0, 0.1) << bad;
    }
}

TEST (EngineRobustness, PrepareMidNoteFreesTheVoicesAndKeepsTheWheel)
{
    EngineRig rig;
    rig.send ({ controller (1, 127), noteOn (60), noteOn (64) });
    rig.render (4410);
    const auto smoothedWheel = WarbleProcessorTestAccess::modWheelSmoothed (rig.processor);

    rig.processor.prepareToPlay (96000.0, 256);
    EXPECT_EQ (rig.numActiveVoices(), 0);
    EXPECT_EQ (WarbleProcessorTestAccess::modWheelSmoothed (rig.processor), smoothedWheel);
    EXPECT_EQ (rig.processor.modWheel.load(), 1.0f);
    EXPECT_EQ (rig.processor.lastNote.load(), 64);

    EXPECT_EQ (rig.render (1024).getMagnitude (0, 0, 1024), 0.0f);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 0);

    rig.send ({ controller (1, 0), noteOn (69) });
    rig.render (96000);
    EXPECT_NEAR (measuredPitch (rig, 96000.0), 440.0, 0.1);
}

TEST (EngineRobustness, BlockSizesDoNotChangeTheSound)
{
    // Every event takes effect at its own sample and everything between events is per sample, so
    // any split of the same performance into blocks (including empty ones) renders the same
    // stereo signal, reverb included: notes, a note shorter than a block, a steal, the wheel
    // bringing in the vibrato, and the ending controller.
    const std::vector<std::pair<int, juce::MidiMessage>> performance {
        { 0, controller (1, 100) }, { 17, noteOn (60) }, { 1000, noteOn (67, 70) },
        { 5003, noteOn (64, 20) }, { 5050, noteOff (64) },
        { 9000, noteOn (40) }, { 9000, noteOn (43) }, { 9001, noteOn (47) }, { 9002, noteOn (50) },
        { 9003, noteOn (53) }, { 9004, noteOn (57) }, { 9005, noteOn (62) }, { 9006, noteOn (65) },
        { 20000, noteOff (60) }, { 20000, noteOn (72) }, { 26111, controller (1, 10) }, { 35000, controller (123, 0) }
    };
    constexpr int totalSamples = 55000;

    const auto perform = [&performance] (const std::vector<int>& blockSizes)
    {
        EngineRig rig (44100.0, 2);
        std::vector<float> left, right;
        size_t nextEvent = 0, nextSize = 0;

        for (int start = 0; start < totalSamples;)
        {
            const auto size = std::min (blockSizes[nextSize++ % blockSizes.size()], totalSamples - start);
            juce::MidiBuffer midi;

            for (; nextEvent < performance.size() && performance[nextEvent].first < start + size; ++nextEvent)
                midi.addEvent (performance[nextEvent].second, performance[nextEvent].first - start);

            const auto buffer = rig.render (size, midi);
            left.insert (left.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + size);
            right.insert (right.end(), buffer.getReadPointer (1), buffer.getReadPointer (1) + size);
            start += size;
        }

        return std::pair { left, right };
    };

    const auto reference = perform ({ 512 });

    for (const auto& sizes : { std::vector { 1 }, std::vector { 37 }, std::vector { 0, 1, 7, 8192, 127, 0, 3, 511 },
                               std::vector { 8192 } })
    {
        const auto [left, right] = perform (sizes);
        ASSERT_EQ (left, reference.first);
        ASSERT_EQ (right, reference.second);
    }
}

TEST (EngineRobustness, NonsenseParameterValuesFromTheHostKeepTheOutputFinite)
{
    EngineRig rig (44100.0, 2);
    rig.send ({ controller (1, 127), noteOn (60, 127), noteOn (64, 127) });

    for (const auto value : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), -5.0f, 5.0f })
    {
        for (auto* parameter : rig.processor.getParameters())
            parameter->setValueNotifyingHost (value);

        ASSERT_TRUE (allFinite (rig.render (4096))) << value;
    }
}

TEST (EngineRobustness, NotANumberParameterSoundsLikeItsDefault)
{
    EngineRig defaults (44100.0, 2), poisoned (44100.0, 2);

    for (auto* parameter : poisoned.processor.getParameters())
        parameter->setValueNotifyingHost (std::numeric_limits<float>::quiet_NaN());

    for (auto* rig : { &defaults, &poisoned })
        rig->send ({ controller (1, 90), noteOn (60), noteOn (67) });

    const auto expected = defaults.render (8192);
    const auto actual = poisoned.render (8192);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 8192; ++i)
            ASSERT_EQ (actual.getSample (channel, i), expected.getSample (channel, i)) << channel << ", " << i;
}

namespace
{
    /** Random MIDI of every kind: every status byte on every channel, truncated messages,
        system-exclusive messages of many lengths, floods of controllers and notes that stay
        down across blocks. */
    class RandomMidiSource
    {
    public:
        explicit RandomMidiSource (juce::int64 seed) : random (seed) {}

        void fill (juce::MidiBuffer& midi, int blockSize)
        {
            midi.clear();
            const auto maxPosition = std::max (blockSize - 1, 0);

            if (random.nextInt (50) == 0)
            {
                for (int i = 0; i < 300; ++i)
                {
                    const auto number = random.nextInt (3) == 0 ? 1 : random.nextInt (128);
                    add (midi, { (juce::uint8) (0xb0 | random.nextInt (16)), (juce::uint8) number, (juce::uint8) random.nextInt (128) }, random.nextInt (maxPosition + 1));
                }
                return;
            }

            for (int i = random.nextInt (12); --i >= 0;)
            {
                const auto position = random.nextInt (maxPosition + 1);

                switch (random.nextInt (6))
                {
                    case 0:
                    case 1:
                    {
                        const auto note = random.nextInt (128);
                        if (random.nextBool())
                            add (midi, { (juce::uint8) (0x90 | random.nextInt (16)), (juce::uint8) note, (juce::uint8) random.nextInt (128) }, position);
                        else
                            add (midi, { (juce::uint8) (0x80 | random.nextInt (16)), (juce::uint8) note, (juce::uint8) random.nextInt (128) }, position);
                        break;
                    }
                    case 2:
                        add (midi, { (juce::uint8) (0xb0 | random.nextInt (16)), (juce::uint8) random.nextInt (128), (juce::uint8) random.nextInt (128) }, position);
                        break;
                    case 3:
                    {
                        // Any status byte, with up to two bytes that may not be data bytes at all.
                        std::vector<juce::uint8> bytes { (juce::uint8) (0x80 + random.nextInt (0x7f)) };
                        for (int n = random.nextInt (3); --n >= 0;)
                            bytes.push_back ((juce::uint8) random.nextInt (256));

                        if (bytes[0] != 0xf0 && bytes[0] != 0xf7 && bytes[0] != 0xff)
                            add (midi, bytes, position);
                        break;
                    }
                    case 4:
                    {
                        std::vector<juce::uint8> bytes { 0xf0 };
                        for (int n = random.nextInt (random.nextBool() ? 8 : 400); --n >= 0;)
                            bytes.push_back ((juce::uint8) random.nextInt (128));
                        bytes.push_back (0xf7);
                        add (midi, bytes, position);
                        break;
                    }
                    default:
                        add (midi, { (juce::uint8) (0xe0 | random.nextInt (16)), (juce::uint8) random.nextInt (128), (juce::uint8) random.nextInt (128) }, position);
                        break;
                }
            }
        }

    private:
        static void add (juce::MidiBuffer& midi, const std::vector<juce::uint8>& bytes, int position)
        {
            midi.addEvent (bytes.data(), (int) bytes.size(), position);
        }

        juce::Random random;
    };
}

TEST (EngineRobustness, RandomMidiAndAutomationForMinutesStaysFinite)
{
    constexpr double rate = 48000.0;
    constexpr auto totalSamples = (juce::int64) (rate * 150.0);

    WarbleProcessor processor;
    processor.prepareToPlay (rate, 2048);

    RandomMidiSource source (20240611);
    juce::Random random (77);
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, 2048);
    const auto& parameters = processor.getParameters();

    for (juce::int64 rendered = 0; rendered < totalSamples;)
    {
        const auto blockSize = random.nextInt (8) == 0 ? random.nextInt (3) : 1 + random.nextInt (2048);

        for (int i = random.nextInt (4); --i >= 0;)
        {
            auto* parameter = parameters[random.nextInt (parameters.size())];
            parameter->setValueNotifyingHost (random.nextInt (5) == 0 ? (float) random.nextInt (2) : random.nextFloat());
        }

        source.fill (midi, blockSize);
        buffer.setSize (random.nextInt (20) == 0 ? 1 : 2, blockSize, false, false, true);
        const auto before = activeVoiceSet (processor);
        processor.processBlock (buffer, midi);

        ASSERT_TRUE (allFinite (buffer)) << "after " << rendered << " samples";

        // The published count is every voice that sounded during the block: at least those
        // sounding before it and after it, at most those plus one per note started in it.
        const auto sounded = (before | activeVoiceSet (processor)).count();
        const auto count = (size_t) processor.activeVoiceCount.load();
        ASSERT_GE (count, sounded) << "after " << rendered << " samples";
        ASSERT_LE (count, std::min (before.count() + numNoteOns (midi), (size_t) WarbleProcessor::numVoices))
            << "after " << rendered << " samples";
        expectVoicesInRange (processor);
        rendered += blockSize;
    }
}
