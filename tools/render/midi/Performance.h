#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

/** What is to be played: MIDI events and parameter changes, each at a time in seconds from the
    start of the render. Events that share a time keep the order in which they were added. */
class Performance
{
public:
    /** A change of one of the instrument's parameters to a real value (in the parameter's own
        units, not normalised). */
    struct ParameterChange
    {
        double timeInSeconds = 0.0;
        juce::String parameterId;
        double value = 0.0;
    };

    void addMidi (const juce::MidiMessage& message, double timeInSeconds);

    /** Merges a whole sequence whose timestamps are in seconds. */
    void addMidi (const juce::MidiMessageSequence& events);

    /** The same, taking the sequence's events over rather than copying them. */
    void addMidi (juce::MidiMessageSequence&& events);
    void addParameterChange (double timeInSeconds, const juce::String& parameterId, double value);

    /** The MIDI events, in time order, with their timestamps in seconds. */
    const juce::MidiMessageSequence& getMidi() const noexcept;
    const std::vector<ParameterChange>& getParameterChanges() const noexcept;

    /** The time of the last event of either kind, or 0 for an empty performance. */
    double getEndTime() const noexcept;

private:
    juce::MidiMessageSequence midi;
    std::vector<ParameterChange> parameterChanges;
};
