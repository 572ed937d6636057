#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <optional>
#include <vector>

/** Drives a prepared processor offline, block by block, as a host does: every MIDI event goes
    into the block that contains it, at its sample position within that block, and every
    parameter change reaches the processor at its own sample, because the block ends there and
    the change is made before the next block starts.

    No block carries more than maxEventsPerBlock MIDI events, the most a VST3 host passes in one
    call; a block that would hold more ends early, so that no event is dropped.

    A render can also end as soon as the output has fallen quiet, at the sample where it has
    stayed quiet long enough, whatever the block size. */
class PerformanceRenderer
{
public:
    struct ParameterChange
    {
        juce::int64 samplePosition = 0;
        juce::AudioProcessorParameter* parameter = nullptr;
        float normalisedValue = 0.0f;
    };

    /** Ends a render once no sample of any channel has reached threshold (in magnitude) for
        quietSamples samples in a row, counting only samples from fromSample on. */
    struct QuietEnd
    {
        juce::int64 fromSample = 0;
        juce::int64 quietSamples = 1;
        float threshold = 0.0f;
    };

    /** Receives each rendered block; a failed result stops the render. */
    using BlockConsumer = std::function<juce::Result (juce::AudioBuffer<float>& block)>;

    /** Told how far the render has come; returning false cancels it. */
    using ProgressListener = std::function<bool (juce::int64 samplesDone, juce::int64 totalSamples)>;

    static constexpr int maxEventsPerBlock = 2048;

    /** The processor must already be prepared for this rate and block size. */
    PerformanceRenderer (juce::AudioProcessor& processor, double sampleRate, int blockSize);

    /** The sample at which an event at this time is delivered: the nearest, never before 0. */
    juce::int64 toSamplePosition (double timeInSeconds) const noexcept;

    /** The samples to render: up to the end time plus the tail, and always past the last event. */
    juce::int64 getLengthInSamples (double endTimeInSeconds, double tailInSeconds) const noexcept;

    /** Renders totalSamples samples, or with a quietEnd fewer when the output falls quiet first:
        the render then ends with the last of the quiet samples. midi holds the events with
        timestamps in seconds, in time order; parameterChanges must be in sample order. */
    juce::Result render (const juce::MidiMessageSequence& midi, const std::vector<ParameterChange>& parameterChanges,
                         juce::int64 totalSamples, const BlockConsumer& consumer, const ProgressListener& progress,
                         std::optional<QuietEnd> quietEnd = std::nullopt);

    /** How many samples the last render handed to its consumer. */
    juce::int64 getNumSamplesRendered() const noexcept { return numSamplesRendered; }

private:
    juce::AudioProcessor& processor;
    const double sampleRate;
    const int blockSize;
    juce::int64 numSamplesRendered = 0;
};
