#pragma once

#include "hosting/HostedInstrument.h"
#include "hosting/PerformanceRenderer.h"
#include "presets/PresetApplier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>

namespace warble::test
{
    /** Plays MIDI through the built Warble.vst3, loaded and driven as a DAW does, a fresh instance
        for every take, in stereo at 48 kHz: the defaults, or a factory preset, with any
        parameters set on top. */
    class HostedPlayer
    {
    public:
        static constexpr double sampleRate = 48000.0;

        HostedPlayer& startFrom (const FactoryPresetBank::Preset& preset)
        {
            startingPreset = preset;
            return *this;
        }

        /** A parameter's real value for the takes to come. */
        HostedPlayer& set (const juce::String& id, double value)
        {
            settings[id] = value;
            return *this;
        }

        /** Renders the MIDI (timestamps in seconds) for so many seconds. */
        juce::AudioBuffer<float> play (const juce::MidiMessageSequence& midi, double seconds, int blockSize = 512) const
        {
            juce::String error;
            auto instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), sampleRate, blockSize, error);

            if (instrument == nullptr)
            {
                ADD_FAILURE() << error;
                return {};
            }

            const auto prepared = instrument->prepare (sampleRate, blockSize, 2);
            EXPECT_TRUE (prepared.wasOk()) << prepared.getErrorMessage();

            const auto& parameters = instrument->getParameters();

            if (startingPreset.has_value())
            {
                const auto applied = PresetApplier::apply (*startingPreset, parameters);
                EXPECT_TRUE (applied.wasOk()) << applied.getErrorMessage();
            }

            for (const auto& [id, value] : settings)
            {
                auto normalised = 0.0f;
                const auto converted = parameters.toNormalised (id, value, normalised);
                EXPECT_TRUE (converted.wasOk()) << converted.getErrorMessage();
                parameters.find (id)->setValue (normalised);
            }

            PerformanceRenderer renderer (instrument->getPlugin(), sampleRate, blockSize);
            const auto numSamples = renderer.toSamplePosition (seconds);
            juce::AudioBuffer<float> take (2, (int) numSamples);
            int position = 0;

            const auto rendered = renderer.render (midi, {}, numSamples,
                [&] (juce::AudioBuffer<float>& block)
                {
                    for (int channel = 0; channel < 2; ++channel)
                        take.copyFrom (channel, position, block, channel, 0, block.getNumSamples());

                    position += block.getNumSamples();
                    return juce::Result::ok();
                },
                nullptr);

            EXPECT_TRUE (rendered.wasOk()) << rendered.getErrorMessage();
            return take;
        }

        /** The left channel of a take, where the dry voices are heard as they are. */
        std::vector<float> playLeft (const juce::MidiMessageSequence& midi, double seconds, int blockSize = 512) const
        {
            const auto take = play (midi, seconds, blockSize);
            return { take.getReadPointer (0), take.getReadPointer (0) + take.getNumSamples() };
        }

        /** The sample at which the renderer delivers an event at this time: the nearest one. */
        static int sampleAt (double seconds)
        {
            return (int) std::llround (seconds * sampleRate);
        }

    private:
        std::optional<FactoryPresetBank::Preset> startingPreset;
        std::map<juce::String, double> settings;
    };
}
