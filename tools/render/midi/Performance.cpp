#include "Performance.h"

#include <algorithm>

void Performance::addMidi (const juce::MidiMessage& message, double timeInSeconds)
{
    juce::MidiMessage timed (message);
    timed.setTimeStamp (std::max (0.0, timeInSeconds));
    midi.addEvent (timed);
}

void Performance::addMidi (const juce::MidiMessageSequence& events)
{
    // One stable sort for the whole sequence rather than a sorted insertion per event.
    midi.addSequence (events, 0.0);
}

void Performance::addMidi (juce::MidiMessageSequence&& events)
{
    if (midi.getNumEvents() > 0)
    {
        addMidi (events);
        return;
    }

    midi = std::move (events);

    const auto inTimeOrder = std::is_sorted (midi.begin(), midi.end(), [] (const auto* a, const auto* b)
                                             { return a->message.getTimeStamp() < b->message.getTimeStamp(); });

    if (! inTimeOrder)
        midi.sort();
}

void Performance::addParameterChange (double timeInSeconds, const juce::String& parameterId, double value)
{
    const auto time = std::max (0.0, timeInSeconds);
    const auto later = std::upper_bound (parameterChanges.begin(), parameterChanges.end(), time,
                                         [] (double t, const ParameterChange& change) { return t < change.timeInSeconds; });
    parameterChanges.insert (later, { time, parameterId, value });
}

const juce::MidiMessageSequence& Performance::getMidi() const noexcept
{
    return midi;
}

const std::vector<Performance::ParameterChange>& Performance::getParameterChanges() const noexcept
{
    return parameterChanges;
}

double Performance::getEndTime() const noexcept
{
    auto end = midi.getNumEvents() > 0 ? midi.getEndTime() : 0.0;

    if (! parameterChanges.empty())
        end = std::max (end, parameterChanges.back().timeInSeconds);

    return end;
}
