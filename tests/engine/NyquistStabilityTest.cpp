#include "EngineTestSupport.h"
#include "ReferenceEngine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

using namespace EngineTest;

namespace
{
    /** The share of a signal's energy that lies within a band below the Nyquist frequency, from
        one Hann-windowed spectrum over the longest power-of-two stretch of the samples. */
    double energyShareNearNyquist (const std::vector<float>& samples, double rate, double bandHz)
    {
        auto order = 0;
        while ((size_t) 2 << order <= samples.size())
            ++order;

        const auto size = (size_t) 1 << order;
        juce::dsp::FFT fft (order);
        std::vector<float> data (2 * size, 0.0f);

        for (size_t i = 0; i < size; ++i)
        {
            const auto window = 0.5 - 0.5 * std::cos (2.0 * juce::MathConstants<double>::pi * (double) i / (double) size);
            data[i] = (float) (window * samples[samples.size() - size + i]);
        }

        fft.performFrequencyOnlyForwardTransform (data.data(), true);

        double total = 0.0, nearNyquist = 0.0;

        for (size_t bin = 0; bin <= size / 2; ++bin)
        {
            const auto energy = (double) data[bin] * (double) data[bin];
            total += energy;

            if ((double) bin * rate / (double) size >= rate / 2.0 - bandHz)
                nearNyquist += energy;
        }

        return total > 0.0 ? nearNyquist / total : 0.0;
    }

    struct NyquistCase
    {
        double rate;
        float resonance;
    };

    std::ostream& operator<< (std::ostream& os, const NyquistCase& c)
    {
        return os << c.rate << " Hz, resonance " << c.resonance;
    }

    /** One sustained A4 with the filter's coefficient at its ceiling (filter base 1) and the
        softest wave, through the processor (dry, no reverb) and through the plain model of the
        filter without the resonance-aware ceiling; the samples after the first 100 ms. */
    struct SustainedNote
    {
        explicit SustainedNote (const NyquistCase& c, ReferenceEngine::FilterCeiling rule)
        {
            EngineRig rig (c.rate);
            rig.set ("waveBlend", 0.0f);
            rig.set ("filterBase", 1.0f);
            rig.set ("resonance", c.resonance);
            rig.set ("reverb", 0.0f);

            ReferenceEngine model (1, rule);
            model.prepare (c.rate);

            const auto skipped = (int) (0.1 * c.rate);
            const auto total = skipped + (int) (0.5 * c.rate);
            const auto settings = ReferenceEngine::Settings::of (rig.processor);
            auto midi = makeMidi ({ noteOn (69) });

            juce::AudioBuffer<float> buffer (3, total);
            model.process (buffer, midi, settings);
            plainModel.assign (buffer.getReadPointer (0) + skipped, buffer.getReadPointer (0) + total);

            rig.send ({ noteOn (69) });
            const auto rendered = rig.renderChannel0 (total);
            processor.assign (rendered.begin() + skipped, rendered.end());
        }

        std::vector<float> processor, plainModel;
    };
}

class NyquistRinging : public testing::TestWithParam<NyquistCase> {};

// At the coefficient's ceiling the filter passes the Nyquist frequency with little loss, and the
// one-sample delay in its resonance loop makes the feedback positive there. Held below the loop
// gain of 1, the note is what sounds: under 0.5 % of the energy within 1 kHz of Nyquist.
TEST_P (NyquistRinging, NoSteadyToneAtNyquist)
{
    const auto& c = GetParam();
    const SustainedNote note (c, ReferenceEngine::FilterCeiling::plain);

    const auto share = energyShareNearNyquist (note.processor, c.rate, 1000.0);
    const auto plainShare = energyShareNearNyquist (note.plainModel, c.rate, 1000.0);

    std::cout << "[ figures  ] " << c << ": energy within 1 kHz of Nyquist " << 100.0 * share
              << " %, with the plain 0.99 ceiling " << 100.0 * plainShare << " %\n";

    EXPECT_LT (share, 0.005);
}

INSTANTIATE_TEST_SUITE_P (Filter, NyquistRinging, testing::ValuesIn ([]
{
    std::vector<NyquistCase> cases;

    for (const auto rate : { 16000.0, 44100.0, 48000.0, 96000.0 })
        for (const auto resonance : { 0.0f, 0.25f, 0.35f, 0.6f, 1.0f })
            cases.push_back ({ rate, resonance });

    return cases;
}()));

// The measurement sees the fault it guards against: with only the plain 0.99 ceiling, the
// default resonance at 48 kHz rings at Nyquist with most of the energy.
TEST (Filter, PlainCeilingRingsAtNyquist)
{
    const SustainedNote note ({ 48000.0, 0.35f }, ReferenceEngine::FilterCeiling::plain);
    EXPECT_GT (energyShareNearNyquist (note.plainModel, 48000.0, 1000.0), 0.5);
}

struct UnchangedCase
{
    const char* name;
    double rate;
    float resonance, filterBase, filterMod, wheel;
};

class FilterCeilingLeavesAlone : public testing::TestWithParam<UnchangedCase> {};

// Wherever the plain coefficient stays below the resonance-aware ceiling, the sound is the
// plain one-pole filter's to the bit: at low resonance, with a closed or half-open filter, and
// at 96 kHz with the default settings.
TEST_P (FilterCeilingLeavesAlone, SoundIsBitIdenticalToThePlainFilter)
{
    const auto& c = GetParam();
    EngineRig rig (c.rate, 2);
    rig.set ("resonance", c.resonance);
    rig.set ("filterBase", c.filterBase);
    rig.set ("filterMod", c.filterMod);

    ReferenceEngine model (1, ReferenceEngine::FilterCeiling::plain);
    model.prepare (c.rate);

    const auto wheel = (int) std::lround (c.wheel * 127.0f);
    const auto blockSize = 480;

    for (int block = 0; block < (int) c.rate / blockSize; ++block)
    {
        juce::MidiBuffer events;

        if (block == 0)
            events = makeMidi ({ controller (1, wheel), noteOn (45), noteOn (57), noteOn (64), noteOn (69, 127) });
        else if (block == 60)
            events = makeMidi ({ noteOn (81), noteOff (45) });

        const auto settings = ReferenceEngine::Settings::of (rig.processor);
        auto midi = events;
        const auto actual = rig.render (blockSize, midi);

        juce::AudioBuffer<float> expected (2, blockSize);
        model.process (expected, events, settings);

        for (int channel = 0; channel < 2; ++channel)
            ASSERT_EQ (std::memcmp (actual.getReadPointer (channel), expected.getReadPointer (channel),
                                    sizeof (float) * (size_t) blockSize), 0)
                << "block " << block << ", channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P (Filter, FilterCeilingLeavesAlone, testing::Values (
    UnchangedCase { "LowResonanceWideOpen",      48000.0, 0.25f, 1.0f,  0.7f, 1.0f },
    UnchangedCase { "NoResonanceWideOpen",       44100.0, 0.0f,  1.0f,  1.0f, 1.0f },
    UnchangedCase { "FullResonanceClosed",       48000.0, 1.0f,  0.35f, 0.7f, 0.0f },
    UnchangedCase { "FullResonanceHalfOpen",     44100.0, 1.0f,  0.35f, 0.7f, 0.5f },
    UnchangedCase { "DefaultsAt96kHzWheelUp",    96000.0, 0.35f, 0.35f, 0.7f, 1.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });
