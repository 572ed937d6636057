#pragma once

#include "hosting/HostedInstrument.h"
#include "hosting/PerformanceRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace warble::test
{
    /** Notes as a player plays them, with their times in seconds. Events at one time keep the
        order in which they were added. */
    class Phrase
    {
    public:
        Phrase& noteOn (double seconds, int note, int velocity = 100)
        {
            return add (seconds, juce::MidiMessage::noteOn (1, note, (juce::uint8) velocity));
        }

        Phrase& noteOff (double seconds, int note)
        {
            return add (seconds, juce::MidiMessage::noteOff (1, note));
        }

        Phrase& note (double start, double end, int note, int velocity = 100)
        {
            return noteOn (start, note, velocity).noteOff (end, note);
        }

        Phrase& chord (double seconds, std::initializer_list<int> notes, int velocity = 100)
        {
            for (const auto n : notes)
                noteOn (seconds, n, velocity);

            return *this;
        }

        Phrase& wheel (double seconds, int value)
        {
            return add (seconds, juce::MidiMessage::controllerEvent (1, 1, value));
        }

        const juce::MidiMessageSequence& getMidi() const noexcept   { return midi; }

    private:
        Phrase& add (double seconds, const juce::MidiMessage& message)
        {
            midi.addEvent (message.withTimeStamp (seconds));
            return *this;
        }

        juce::MidiMessageSequence midi;
    };

    /** Plays phrases through the built Warble.vst3, loaded and driven as a DAW does, a fresh
        instance for every take, in stereo at 48 kHz, and returns the left channel. The reverb is
        off unless a test turns it on, so that what is heard is the voices alone. */
    class HostedPlayer
    {
    public:
        static constexpr double sampleRate = 48000.0;

        /** A parameter's real value for the takes to come. */
        HostedPlayer& set (const juce::String& id, double value)
        {
            settings[id] = value;
            return *this;
        }

        std::vector<float> play (const Phrase& phrase, double seconds, int blockSize = 512) const
        {
            std::vector<float> take;
            juce::String error;
            auto instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), sampleRate, blockSize, error);

            if (instrument == nullptr)
            {
                ADD_FAILURE() << error;
                return take;
            }

            const auto prepared = instrument->prepare (sampleRate, blockSize, 2);
            EXPECT_TRUE (prepared.wasOk()) << prepared.getErrorMessage();

            const auto& parameters = instrument->getParameters();

            for (const auto& [id, value] : settings)
            {
                auto normalised = 0.0f;
                const auto converted = parameters.toNormalised (id, value, normalised);
                EXPECT_TRUE (converted.wasOk()) << converted.getErrorMessage();
                parameters.find (id)->setValue (normalised);
            }

            PerformanceRenderer renderer (instrument->getPlugin(), sampleRate, blockSize);
            const auto numSamples = renderer.toSamplePosition (seconds);
            take.reserve ((size_t) numSamples);

            const auto rendered = renderer.render (phrase.getMidi(), {}, numSamples,
                [&take] (juce::AudioBuffer<float>& block)
                {
                    take.insert (take.end(), block.getReadPointer (0), block.getReadPointer (0) + block.getNumSamples());
                    return juce::Result::ok();
                },
                nullptr);

            EXPECT_TRUE (rendered.wasOk()) << rendered.getErrorMessage();
            return take;
        }

        /** The sample at which the renderer delivers an event at this time: the nearest one. */
        static int sampleAt (double seconds)
        {
            return (int) std::llround (seconds * sampleRate);
        }

    private:
        std::map<juce::String, double> settings { { "reverb", 0.0 } };
    };
}
