#include "PerformanceRenderer.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** How many of the block's samples the render keeps: all of them, or those up to and
        including the one that completes the quiet run. quietRunStart is where the current run of
        quiet samples began, carried from block to block. */
    int countSamplesUntilQuiet (const juce::AudioBuffer<float>& block, juce::int64 blockStart,
                                const PerformanceRenderer::QuietEnd& quietEnd, juce::int64& quietRunStart) noexcept
    {
        const auto numSamples = block.getNumSamples();
        const auto first = (int) std::clamp<juce::int64> (quietEnd.fromSample - blockStart, 0, numSamples);

        for (int i = first; i < numSamples; ++i)
        {
            for (int channel = 0; channel < block.getNumChannels(); ++channel)
            {
                // Written so that a sample that is not a number counts as loud.
                if (! (std::abs (block.getSample (channel, i)) < quietEnd.threshold))
                {
                    quietRunStart = blockStart + i + 1;
                    break;
                }
            }

            if (blockStart + i + 1 - quietRunStart >= quietEnd.quietSamples)
                return i + 1;
        }

        return numSamples;
    }
}

PerformanceRenderer::PerformanceRenderer (juce::AudioProcessor& processorToDrive, double rate, int samplesPerBlock)
    : processor (processorToDrive),
      sampleRate (rate),
      blockSize (samplesPerBlock)
{
    jassert (sampleRate > 0.0 && blockSize > 0);
}

juce::int64 PerformanceRenderer::toSamplePosition (double timeInSeconds) const noexcept
{
    return std::max ((juce::int64) 0, (juce::int64) std::llround (timeInSeconds * sampleRate));
}

juce::int64 PerformanceRenderer::getLengthInSamples (double endTimeInSeconds, double tailInSeconds) const noexcept
{
    return std::max (toSamplePosition (endTimeInSeconds + tailInSeconds), toSamplePosition (endTimeInSeconds) + 1);
}

juce::Result PerformanceRenderer::render (const juce::MidiMessageSequence& midi,
                                          const std::vector<ParameterChange>& parameterChanges,
                                          juce::int64 totalSamples, const BlockConsumer& consumer,
                                          const ProgressListener& progress, std::optional<QuietEnd> quietEnd)
{
    numSamplesRendered = 0;
    const auto numChannels = std::max (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
    juce::AudioBuffer<float> buffer (numChannels, blockSize);
    juce::MidiBuffer midiBlock;
    midiBlock.ensureSize ((size_t) maxEventsPerBlock * 4);

    const auto numMidiEvents = midi.getNumEvents();
    int nextMidiEvent = 0;
    size_t nextParameterChange = 0;
    juce::int64 position = 0;
    juce::int64 quietRunStart = quietEnd.has_value() ? quietEnd->fromSample : 0;
    auto fellQuiet = false;

    while (position < totalSamples && ! fellQuiet)
    {
        while (nextParameterChange < parameterChanges.size()
               && parameterChanges[nextParameterChange].samplePosition <= position)
        {
            const auto& change = parameterChanges[nextParameterChange++];
            change.parameter->setValue (change.normalisedValue);
        }

        auto blockEnd = std::min (position + blockSize, totalSamples);

        if (nextParameterChange < parameterChanges.size())
            blockEnd = std::min (blockEnd, parameterChanges[nextParameterChange].samplePosition);

        midiBlock.clear();
        int eventsInBlock = 0;
        juce::int64 lastEventPosition = 0;

        while (nextMidiEvent < numMidiEvents)
        {
            const auto& message = midi.getEventPointer (nextMidiEvent)->message;
            const auto eventPosition = toSamplePosition (message.getTimeStamp());

            if (eventPosition >= blockEnd)
                break;

            if (eventsInBlock == maxEventsPerBlock)
            {
                // The rest wait for the next block, which starts at the first of them, or one
                // sample later if that sample already holds events of this block.
                blockEnd = std::max (position + 1, eventPosition > lastEventPosition ? eventPosition
                                                                                     : lastEventPosition + 1);
                break;
            }

            // An event held over from a crowded block arrives at the start of the next one.
            midiBlock.addEvent (message, (int) std::max ((juce::int64) 0, eventPosition - position));
            lastEventPosition = eventPosition;
            ++eventsInBlock;
            ++nextMidiEvent;
        }

        const auto numSamples = (int) (blockEnd - position);
        juce::AudioBuffer<float> block (buffer.getArrayOfWritePointers(), numChannels, numSamples);
        block.clear();
        processor.processBlock (block, midiBlock);

        auto numSamplesKept = numSamples;

        if (quietEnd.has_value())
        {
            numSamplesKept = countSamplesUntilQuiet (block, position, *quietEnd, quietRunStart);
            fellQuiet = position + numSamplesKept - quietRunStart >= quietEnd->quietSamples;
        }

        juce::AudioBuffer<float> kept (block.getArrayOfWritePointers(), numChannels, numSamplesKept);

        if (const auto consumed = consumer (kept); consumed.failed())
            return consumed;

        position += numSamplesKept;
        numSamplesRendered = position;

        if (progress != nullptr && ! progress (position, totalSamples))
            return juce::Result::fail ("cancelled");
    }

    return juce::Result::ok();
}
