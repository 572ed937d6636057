#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

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

        /** The mod wheel moved from one value to another in even steps, both ends included. */
        Phrase& wheelRamp (double start, double end, int from, int to, int steps)
        {
            for (int step = 0; step <= steps; ++step)
            {
                const auto fraction = (double) step / (double) steps;
                wheel (start + (end - start) * fraction, juce::roundToInt (from + (to - from) * fraction));
            }

            return *this;
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
}
