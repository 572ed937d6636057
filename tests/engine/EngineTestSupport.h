#pragma once

#include "plugin/WarbleProcessor.h"

#include <initializer_list>
#include <vector>

/** The engine's private state, opened to the tests only. */
struct WarbleProcessorTestAccess
{
    static std::array<Voice, WarbleProcessor::numVoices>& voices (WarbleProcessor& p) noexcept    { return p.voices; }
    static float& modWheelSmoothed (WarbleProcessor& p) noexcept                                    { return p.modWheelSmoothed; }
    static double sampleRate (const WarbleProcessor& p) noexcept                                    { return p.sampleRate; }
    static juce::Random& random (WarbleProcessor& p) noexcept                                       { return p.random; }
    static const juce::Reverb::Parameters& reverbParameters (const WarbleProcessor& p) noexcept    { return p.reverbParameters; }
    static bool reverbIsSilent (const WarbleProcessor& p) noexcept                                  { return p.reverbIdle.isSilent(); }
};

namespace EngineTest
{
    /** Sets a parameter to a real value in its own range, as a host or the editor would. */
    inline void setParameter (WarbleProcessor& processor, const char* id, float value)
    {
        auto* parameter = processor.parameters.getParameter (id);
        jassert (parameter != nullptr);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    inline juce::MidiBuffer makeMidi (std::initializer_list<juce::MidiMessage> messages, int samplePosition = 0)
    {
        juce::MidiBuffer midi;

        for (const auto& message : messages)
            midi.addEvent (message, samplePosition);

        return midi;
    }

    inline juce::MidiMessage noteOn (int note, int velocity = 100, int channel = 1)
    {
        return juce::MidiMessage::noteOn (channel, note, (juce::uint8) velocity);
    }

    inline juce::MidiMessage noteOff (int note, int channel = 1)
    {
        return juce::MidiMessage::noteOff (channel, note);
    }

    inline juce::MidiMessage controller (int number, int value, int channel = 1)
    {
        return juce::MidiMessage::controllerEvent (channel, number, value);
    }

    /** Frequency of a periodic signal from its rising zero crossings (linearly interpolated),
        measured between the first and the last crossing. Returns 0 with fewer than two. */
    inline double estimateFrequency (const float* samples, int numSamples, double sampleRate)
    {
        double first = -1.0, last = -1.0;
        int crossings = 0;

        for (int i = 1; i < numSamples; ++i)
        {
            if (samples[i - 1] < 0.0f && samples[i] >= 0.0f)
            {
                const auto fraction = (double) -samples[i - 1] / ((double) samples[i] - (double) samples[i - 1]);
                const auto time = (double) (i - 1) + fraction;

                if (crossings == 0)
                    first = time;

                last = time;
                ++crossings;
            }
        }

        if (crossings < 2)
            return 0.0;

        return (double) (crossings - 1) * sampleRate / (last - first);
    }

    inline bool allFinite (const juce::AudioBuffer<float>& buffer)
    {
        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                if (! std::isfinite (buffer.getSample (channel, i)))
                    return false;

        return true;
    }

    /** A prepared processor with helpers to feed it MIDI and render blocks. By default it renders
        into three channels: the engine then writes its dry signal to channels 0 and 1 and runs no
        reverb, so the tests see the voices' output directly. */
    class EngineRig
    {
    public:
        explicit EngineRig (double rate = 44100.0, int channels = 3, juce::int64 seed = 1)
            : numChannels (channels)
        {
            WarbleProcessorTestAccess::random (processor).setSeed (seed);
            processor.prepareToPlay (rate, 512);
        }

        void set (const char* id, float value)      { setParameter (processor, id, value); }

        /** Applies MIDI without rendering: a block of no samples. */
        void send (std::initializer_list<juce::MidiMessage> messages)
        {
            auto midi = makeMidi (messages);
            render (0, midi);
        }

        juce::AudioBuffer<float> render (int numSamples, juce::MidiBuffer& midi)
        {
            juce::AudioBuffer<float> buffer (numChannels, numSamples);
            processor.processBlock (buffer, midi);
            return buffer;
        }

        juce::AudioBuffer<float> render (int numSamples)
        {
            juce::MidiBuffer midi;
            return render (numSamples, midi);
        }

        /** Renders in blocks and returns channel 0. */
        std::vector<float> renderChannel0 (int numSamples, int blockSize = 512)
        {
            std::vector<float> out;
            out.reserve ((size_t) numSamples);

            while ((int) out.size() < numSamples)
            {
                const auto block = render (std::min (blockSize, numSamples - (int) out.size()));
                if (block.getNumChannels() == 0)
                    break;

                out.insert (out.end(), block.getReadPointer (0), block.getReadPointer (0) + block.getNumSamples());
            }

            return out;
        }

        Voice& voice (int index)        { return WarbleProcessorTestAccess::voices (processor)[(size_t) index]; }

        int numActiveVoices()
        {
            int count = 0;
            for (const auto& v : WarbleProcessorTestAccess::voices (processor))
                count += v.active ? 1 : 0;
            return count;
        }

        /** Index of the voice playing a note, or -1. */
        int findVoice (int note)
        {
            const auto& all = WarbleProcessorTestAccess::voices (processor);
            for (size_t i = 0; i < all.size(); ++i)
                if (all[i].active && all[i].note == note)
                    return (int) i;
            return -1;
        }

        /** Holds the wheel at a position, also after smoothing, from the next sample on. */
        void holdWheel (float position)
        {
            processor.modWheel.store (position);
            WarbleProcessorTestAccess::modWheelSmoothed (processor) = position;
        }

        WarbleProcessor processor;
        int numChannels;
    };
}
