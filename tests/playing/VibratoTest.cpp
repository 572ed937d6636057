#include "host/PluginBundleLoader.h"
#include "hosting/ParameterMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

// The vibrato as a host plays it through the built Warble.vst3: with the mod wheel up, a held
// note's pitch swings as a sine at the Vibrato Rate, as deep as the wheel asks for.
namespace
{
    constexpr int playedNote = 69;   // 440 Hz
    constexpr double settleSeconds = 1.0, measuredSeconds = 3.0;

    /** A held A4 with the wheel at the given controller value, the dry sine alone (no blend
        towards the sawtooth, no reverb), rendered in 512-sample blocks: the left channel. */
    std::vector<float> playHeldNote (double sampleRate, double vibratoRate, int wheel)
    {
        const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };

        if (! loader.foundPlugin())
        {
            ADD_FAILURE() << loader.describeFailure();
            return {};
        }

        constexpr int blockSize = 512;
        const auto instance = loader.createInstance (sampleRate, blockSize);

        if (instance == nullptr)
            return {};

        instance->setPlayConfigDetails (0, 2, sampleRate, blockSize);
        instance->prepareToPlay (sampleRate, blockSize);

        const ParameterMap parameters (*instance);

        for (const auto& [id, value] : { std::pair { "waveBlend", 0.0 }, std::pair { "reverb", 0.0 },
                                         std::pair { "vibratoRate", vibratoRate } })
        {
            auto normalised = 0.0f;
            const auto converted = parameters.toNormalised (id, value, normalised);
            EXPECT_TRUE (converted.wasOk()) << converted.getErrorMessage();
            parameters.find (id)->setValue (normalised);
        }

        std::vector<float> take;
        juce::AudioBuffer<float> buffer (2, blockSize);
        const auto numSamples = (size_t) ((settleSeconds + measuredSeconds) * sampleRate);

        while (take.size() < numSamples)
        {
            juce::MidiBuffer midi;

            if (take.empty())
            {
                midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, wheel), 0);
                midi.addEvent (juce::MidiMessage::noteOn (1, playedNote, (juce::uint8) 100), 0);
            }

            buffer.clear();
            instance->processBlock (buffer, midi);
            take.insert (take.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + blockSize);
        }

        instance->releaseResources();
        return take;
    }

    /** The pitch's swing, fitted as centre + depth · sin (2π · rate · t + phase) in cents from
        the note, to the pitch of every cycle of the wave (between rising zero crossings). */
    struct Swing
    {
        double rateHz = 0.0, depthCents = 0.0, centreCents = 0.0, residualCents = 0.0;
    };

    Swing measureSwing (const std::vector<float>& take, double sampleRate)
    {
        std::vector<double> times, cents;
        double lastCrossing = -1.0;
        const auto noteHz = juce::MidiMessage::getMidiNoteInHertz (playedNote);

        for (auto i = (size_t) (settleSeconds * sampleRate); i + 1 < take.size(); ++i)
        {
            if (take[i] < 0.0f && take[i + 1] >= 0.0f)
            {
                const auto crossing = ((double) i + take[i] / (take[i] - take[i + 1])) / sampleRate;

                if (lastCrossing >= 0.0)
                {
                    times.push_back (0.5 * (crossing + lastCrossing));
                    cents.push_back (1200.0 * std::log2 (1.0 / (crossing - lastCrossing) / noteHz));
                }

                lastCrossing = crossing;
            }
        }

        Swing swing;

        if (times.size() < 100)
            return swing;

        double mean = 0.0;

        for (const auto c : cents)
            mean += c / (double) cents.size();

        // The rate whose least-squares sine fits the swing best, to a thousandth of a hertz.
        const auto fitAt = [&] (double rate, double& a, double& b)
        {
            double ss = 0.0, cc = 0.0, sc = 0.0, ys = 0.0, yc = 0.0;

            for (size_t k = 0; k < times.size(); ++k)
            {
                const auto s = std::sin (juce::MathConstants<double>::twoPi * rate * times[k]);
                const auto c = std::cos (juce::MathConstants<double>::twoPi * rate * times[k]);
                ss += s * s; cc += c * c; sc += s * c;
                ys += (cents[k] - mean) * s; yc += (cents[k] - mean) * c;
            }

            const auto determinant = ss * cc - sc * sc;
            a = (ys * cc - yc * sc) / determinant;
            b = (yc * ss - ys * sc) / determinant;
            return std::hypot (a, b);
        };

        double a = 0.0, b = 0.0;

        for (auto rate = 1.0; rate <= 12.0; rate += 0.001)
        {
            if (const auto depth = fitAt (rate, a, b); depth > swing.depthCents)
            {
                swing.depthCents = depth;
                swing.rateHz = rate;
            }
        }

        fitAt (swing.rateHz, a, b);
        swing.centreCents = mean;
        double squares = 0.0;

        for (size_t k = 0; k < times.size(); ++k)
        {
            const auto phase = juce::MathConstants<double>::twoPi * swing.rateHz * times[k];
            const auto residual = cents[k] - mean - a * std::sin (phase) - b * std::cos (phase);
            squares += residual * residual;
        }

        swing.residualCents = std::sqrt (squares / (double) times.size());
        return swing;
    }
}

TEST (Vibrato, SwingsThePitchAtItsRateAsDeepAsTheWheelAsks)
{
    struct Case
    {
        double sampleRate, vibratoRate;
        int wheel;
        double depthCents;
    };

    // Up to 35 cents either way with the wheel at the top, none in its lowest fifth, and in
    // proportion between (controller 76 of 127 is 17.4 cents).
    const Case cases[] = {
        { 44100.0, 5.0, 127, 35.0 }, { 96000.0, 5.0, 127, 35.0 },
        { 44100.0, 2.0, 127, 35.0 }, { 96000.0, 10.0, 127, 35.0 },
        { 44100.0, 7.5, 76, (76.0 / 127.0 - 0.2) / 0.8 * 35.0 }, { 96000.0, 3.3, 76, (76.0 / 127.0 - 0.2) / 0.8 * 35.0 },
    };

    for (const auto& test : cases)
    {
        SCOPED_TRACE (juce::String (test.sampleRate) + " Hz, vibrato " + juce::String (test.vibratoRate)
                      + " Hz, wheel " + juce::String (test.wheel));
        const auto swing = measureSwing (playHeldNote (test.sampleRate, test.vibratoRate, test.wheel), test.sampleRate);

        std::cout << test.sampleRate << " Hz, rate " << test.vibratoRate << " Hz, wheel " << test.wheel
                  << ": measured " << swing.rateHz << " Hz, +-" << swing.depthCents << " cents (residual "
                  << swing.residualCents << ", centre " << swing.centreCents << ")\n";

        EXPECT_NEAR (swing.rateHz, test.vibratoRate, test.vibratoRate * 0.01);
        EXPECT_NEAR (swing.depthCents, test.depthCents, test.depthCents * 0.03);
        EXPECT_NEAR (swing.centreCents, 0.0, 1.0);
        EXPECT_LT (swing.residualCents, test.depthCents * 0.05) << "the swing is not a sine";
    }
}

TEST (Vibrato, StaysOutWhileTheWheelIsInItsLowestFifth)
{
    for (const auto sampleRate : { 44100.0, 96000.0 })
    {
        SCOPED_TRACE (sampleRate);
        const auto swing = measureSwing (playHeldNote (sampleRate, 5.0, 25), sampleRate);

        EXPECT_LT (swing.depthCents, 0.1);
        EXPECT_NEAR (swing.centreCents, 0.0, 0.5);
    }
}
