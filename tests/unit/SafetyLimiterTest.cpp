#include "plugin/WarbleProcessor.h"
#include "standalone/audio/SafetyLimiter.h"

#include <gtest/gtest.h>

#include <cmath>

// The application's output limiter: transparent below −1 dBFS, a ceiling that holds on the
// instrument's loudest sound, and a gain that moves smoothly.
namespace
{
    constexpr float minusOneDecibel = 0.891250938f;

    /** Runs the limiter over a stereo signal in blocks of the given size. */
    std::vector<std::vector<float>> limit (std::vector<std::vector<float>> signal, double sampleRate, int blockSize,
                                           int& latency)
    {
        SafetyLimiter limiter;
        limiter.prepare (sampleRate, 2);
        latency = limiter.getLatencySamples();
        const auto length = (int) signal[0].size();

        for (int start = 0; start < length; start += blockSize)
        {
            float* channels[] = { signal[0].data() + start, signal[1].data() + start };
            limiter.process (channels, 2, std::min (blockSize, length - start));
        }

        return signal;
    }

    /** An eight-note chord struck hard, at the default settings or with volume, reverb and the
        filter all the way up: the instrument's loudest. */
    std::vector<std::vector<float>> loudChord (double sampleRate, int seconds, bool everythingUp)
    {
        WarbleProcessor processor;

        if (everythingUp)
            for (const auto* id : { "volume", "reverb", "filterBase", "filterMod" })
                processor.parameters.getParameter (id)->setValueNotifyingHost (1.0f);

        constexpr int blockSize = 512;
        processor.prepareToPlay (sampleRate, blockSize);
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;

        for (const auto note : { 36, 43, 48, 52, 55, 60, 64, 67 })
            midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 127), 0);

        std::vector<std::vector<float>> out (2);

        for (int done = 0; done < (int) sampleRate * seconds; done += blockSize)
        {
            processor.processBlock (buffer, midi);
            midi.clear();

            for (int channel = 0; channel < 2; ++channel)
                out[(size_t) channel].insert (out[(size_t) channel].end(), buffer.getReadPointer (channel),
                                              buffer.getReadPointer (channel) + blockSize);
        }

        return out;
    }

    float peakOf (const std::vector<std::vector<float>>& signal)
    {
        auto peak = 0.0f;

        for (const auto& channel : signal)
            for (const auto x : channel)
                peak = std::max (peak, std::abs (x));

        return peak;
    }
}

TEST (SafetyLimiter, PassesSignalsBelowMinusOneDecibelBitForBitAfterItsLookAhead)
{
    struct Case { double sampleRate; int blockSize; };

    for (const auto& c : { Case { 44100.0, 1 }, Case { 48000.0, 64 }, Case { 96000.0, 512 }, Case { 48000.0, 4096 } })
    {
        SCOPED_TRACE (juce::String (c.sampleRate) + " Hz, blocks of " + juce::String (c.blockSize));

        // Noise and a chord right up to −1 dBFS, never above.
        juce::Random random (7);
        std::vector<std::vector<float>> input (2, std::vector<float> ((size_t) c.sampleRate));

        for (size_t i = 0; i < input[0].size(); ++i)
        {
            const auto t = (double) i / c.sampleRate;
            const auto chord = (float) (std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * t)
                                        + std::sin (2.0 * juce::MathConstants<double>::pi * 277.2 * t)) * 0.4f;
            input[0][i] = juce::jlimit (-minusOneDecibel, minusOneDecibel, chord + (random.nextFloat() - 0.5f) * 0.1f);
            input[1][i] = (random.nextFloat() * 2.0f - 1.0f) * minusOneDecibel;
        }

        int latency = 0;
        const auto output = limit (input, c.sampleRate, c.blockSize, latency);
        EXPECT_GT (latency, 0);
        EXPECT_LE (latency, (int) (0.002 * c.sampleRate));

        for (size_t channel = 0; channel < 2; ++channel)
            for (size_t i = (size_t) latency; i < input[0].size(); ++i)
                ASSERT_EQ (output[channel][i], input[channel][i - (size_t) latency]) << "channel " << channel << ", sample " << i;
    }
}

TEST (SafetyLimiter, HoldsTheCeilingOnLoudChordsWithAGainThatMovesSmoothly)
{
    struct Case { double sampleRate; bool everythingUp; };

    for (const auto& c : { Case { 44100.0, false }, Case { 44100.0, true }, Case { 96000.0, true } })
    {
        const auto sampleRate = c.sampleRate;
        SCOPED_TRACE (juce::String (sampleRate) + (c.everythingUp ? " Hz, volume, reverb and filter up" : " Hz, defaults"));
        const auto input = loudChord (sampleRate, 3, c.everythingUp);
        ASSERT_GT (peakOf (input), 1.25f) << "the chord should go well over full scale without the limiter";
        std::cout << (c.everythingUp ? "volume, reverb and filter up" : "defaults") << " at " << sampleRate
                  << " Hz: the instrument peaks at " << juce::Decibels::gainToDecibels (peakOf (input)) << " dBFS" << std::endl;

        int latency = 0;
        const auto output = limit (input, sampleRate, 480, latency);
        EXPECT_LE (peakOf (output), 1.0f);
        EXPECT_NEAR (peakOf (output), SafetyLimiter::ceiling, 1.0e-6f);

        // Not clipped: the gain (output over the delayed input) never jumps from one sample to
        // the next by more than the look-ahead's ramp allows.
        const auto lookAhead = latency + 1;
        auto largestStep = 0.0f;
        auto lowestGain = 1.0f;

        for (size_t i = (size_t) latency + 1; i < output[0].size(); ++i)
        {
            const auto x = input[0][i - (size_t) latency];
            const auto previousX = input[0][i - 1 - (size_t) latency];

            if (std::abs (x) < 0.1f || std::abs (previousX) < 0.1f)
                continue;

            const auto gain = output[0][i] / x;
            largestStep = std::max (largestStep, std::abs (gain - output[0][i - 1] / previousX));
            lowestGain = std::min (lowestGain, gain);
        }

        EXPECT_LT (lowestGain, 0.7f);
        EXPECT_LE (largestStep, 1.0f / (float) lookAhead + 1.0e-3f);
    }
}

TEST (SafetyLimiter, SilencesSamplesThatAreNotNumbers)
{
    std::vector<std::vector<float>> input (2, std::vector<float> (1000, 0.5f));
    input[0][100] = std::numeric_limits<float>::quiet_NaN();
    input[1][200] = std::numeric_limits<float>::infinity();

    int latency = 0;
    const auto output = limit (input, 48000.0, 256, latency);

    for (const auto& channel : output)
        for (const auto x : channel)
            ASSERT_TRUE (std::isfinite (x) && std::abs (x) <= SafetyLimiter::ceiling);
}
