#include "hosting/PerformanceRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    /** Records what a host hands it, block by block, and writes a signal of the sample's
        position into every channel: a ramp unless told otherwise, so that the output's continuity
        can be checked. */
    class RecordingProcessor final : public juce::AudioProcessor
    {
    public:
        struct Block
        {
            juce::int64 start = 0;
            int numSamples = 0;
            float parameterValue = 0.0f;
            std::vector<std::pair<int, juce::MidiMessage>> events;
        };

        RecordingProcessor()
            : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true))
        {
            auto owned = std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { "level", 1 }, "Level",
                                                                      0.0f, 1.0f, 0.0f);
            level = owned.get();
            addParameter (owned.release());
        }

        const juce::String getName() const override { return "Recorder"; }
        void prepareToPlay (double, int) override {}
        void releaseResources() override {}

        void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
        {
            Block block { samplesSoFar, buffer.getNumSamples(), level->get(), {} };

            for (const auto metadata : midi)
                block.events.emplace_back (metadata.samplePosition, metadata.getMessage());

            for (int i = 0; i < buffer.getNumSamples(); ++i)
                for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
                    buffer.setSample (channel, i, signal (samplesSoFar + i));

            samplesSoFar += buffer.getNumSamples();
            blocks.push_back (std::move (block));
        }

        double getTailLengthSeconds() const override { return 0.0; }
        bool acceptsMidi() const override { return true; }
        bool producesMidi() const override { return false; }
        juce::AudioProcessorEditor* createEditor() override { return nullptr; }
        bool hasEditor() const override { return false; }
        int getNumPrograms() override { return 1; }
        int getCurrentProgram() override { return 0; }
        void setCurrentProgram (int) override {}
        const juce::String getProgramName (int) override { return {}; }
        void changeProgramName (int, const juce::String&) override {}
        void getStateInformation (juce::MemoryBlock&) override {}
        void setStateInformation (const void*, int) override {}

        std::function<float (juce::int64)> signal = [] (juce::int64 sample) { return (float) sample; };
        juce::AudioParameterFloat* level = nullptr;
        std::vector<Block> blocks;
        juce::int64 samplesSoFar = 0;
    };

    /** At 1000 Hz a sample is a millisecond, which keeps the positions readable. */
    constexpr double sampleRate = 1000.0;

    juce::MidiMessageSequence notesAt (std::initializer_list<double> times)
    {
        juce::MidiMessageSequence midi;
        int note = 60;

        for (auto time : times)
            midi.addEvent (juce::MidiMessage::noteOn (1, note++, (juce::uint8) 100).withTimeStamp (time));

        return midi;
    }

    const PerformanceRenderer::BlockConsumer ignoreAudio = [] (juce::AudioBuffer<float>&) { return juce::Result::ok(); };
    const PerformanceRenderer::ProgressListener keepGoing = [] (juce::int64, juce::int64) { return true; };

    /** Every event with its absolute sample position, in delivery order. */
    std::vector<std::pair<juce::int64, int>> deliveredNotes (const RecordingProcessor& processor)
    {
        std::vector<std::pair<juce::int64, int>> notes;

        for (const auto& block : processor.blocks)
            for (const auto& [offset, message] : block.events)
                notes.emplace_back (block.start + offset, message.getNoteNumber());

        return notes;
    }
}

TEST (PerformanceRenderer, DeliversEventsAtTheirSamplesWithinBlocks)
{
    RecordingProcessor processor;
    PerformanceRenderer renderer (processor, sampleRate, 100);

    // 0.0994 s rounds to sample 99, the last of the first block; 0.1 s is the first of the
    // second; 0.2507 s rounds to sample 251.
    const auto midi = notesAt ({ 0.0, 0.0994, 0.1, 0.2507 });
    ASSERT_TRUE (renderer.render (midi, {}, 350, ignoreAudio, keepGoing).wasOk());

    ASSERT_EQ (processor.blocks.size(), 4u);
    EXPECT_EQ (processor.blocks[3].numSamples, 50);

    using Events = std::vector<int>;
    const auto offsets = [&] (size_t index)
    {
        Events result;

        for (const auto& event : processor.blocks[index].events)
            result.push_back (event.first);

        return result;
    };

    EXPECT_EQ (offsets (0), (Events { 0, 99 }));
    EXPECT_EQ (offsets (1), (Events { 0 }));
    EXPECT_EQ (offsets (2), (Events { 51 }));
    EXPECT_EQ (offsets (3), (Events {}));
}

TEST (PerformanceRenderer, HandsOverContiguousAudioOfTheRequestedLength)
{
    RecordingProcessor processor;
    PerformanceRenderer renderer (processor, sampleRate, 64);

    juce::int64 expectedNext = 0;
    juce::int64 lastProgress = 0;
    const auto result = renderer.render ({}, {}, 1000,
        [&] (juce::AudioBuffer<float>& block)
        {
            EXPECT_EQ (block.getNumChannels(), 2);
            EXPECT_EQ (block.getSample (1, 0), (float) expectedNext);
            expectedNext += block.getNumSamples();
            return juce::Result::ok();
        },
        [&] (juce::int64 done, juce::int64 total)
        {
            EXPECT_EQ (total, 1000);
            EXPECT_GT (done, lastProgress);
            lastProgress = done;
            return true;
        });

    ASSERT_TRUE (result.wasOk());
    EXPECT_EQ (expectedNext, 1000);
    EXPECT_EQ (lastProgress, 1000);
}

TEST (PerformanceRenderer, ChangesParametersAtTheirOwnSample)
{
    RecordingProcessor processor;
    PerformanceRenderer renderer (processor, sampleRate, 100);

    const std::vector<PerformanceRenderer::ParameterChange> changes {
        { 0, processor.level, 0.25f },
        { 130, processor.level, 0.5f },
        { 130, processor.level, 0.75f },
        { 200, processor.level, 1.0f },
    };

    ASSERT_TRUE (renderer.render (notesAt ({ 0.15 }), changes, 300, ignoreAudio, keepGoing).wasOk());

    // The block that would cross sample 130 ends there; the last change at a sample wins.
    std::vector<std::tuple<juce::int64, int, float>> blocks;

    for (const auto& block : processor.blocks)
        blocks.emplace_back (block.start, block.numSamples, block.parameterValue);

    const std::vector<std::tuple<juce::int64, int, float>> expected {
        { 0, 100, 0.25f }, { 100, 30, 0.25f }, { 130, 70, 0.75f }, { 200, 100, 1.0f }
    };
    EXPECT_EQ (blocks, expected);

    // The note at sample 150 lands in the shortened block, at its own offset.
    ASSERT_EQ (processor.blocks[2].events.size(), 1u);
    EXPECT_EQ (processor.blocks[2].events[0].first, 20);
}

TEST (PerformanceRenderer, SplitsCrowdedBlocksWithoutLosingEvents)
{
    constexpr auto limit = PerformanceRenderer::maxEventsPerBlock;

    struct Case
    {
        const char* name;
        std::vector<double> times;
    };

    std::vector<double> spread, together;

    for (int i = 0; i < limit + 10; ++i)
        spread.push_back (0.050 + 0.000001 * i);

    for (int i = 0; i < 2 * limit + 10; ++i)
        together.push_back (0.020);

    for (const auto& [name, times] : { Case { "over a few samples", spread }, Case { "on one sample", together } })
    {
        SCOPED_TRACE (name);
        RecordingProcessor processor;
        PerformanceRenderer renderer (processor, sampleRate, 100);

        juce::MidiMessageSequence midi;

        for (size_t i = 0; i < times.size(); ++i)
            midi.addEvent (juce::MidiMessage::controllerEvent (1, 7, (int) (i % 128)).withTimeStamp (times[i]));

        ASSERT_TRUE (renderer.render (midi, {}, 200, ignoreAudio, keepGoing).wasOk());

        size_t delivered = 0;
        juce::int64 samples = 0;

        for (const auto& block : processor.blocks)
        {
            EXPECT_LE ((int) block.events.size(), limit);
            delivered += block.events.size();
            samples += block.numSamples;

            for (const auto& event : block.events)
            {
                EXPECT_GE (event.first, 0);
                EXPECT_LT (event.first, block.numSamples);
            }
        }

        EXPECT_EQ (delivered, times.size());
        EXPECT_EQ (samples, 200);

        // Nothing arrives early, and an event held back is late by at most a sample per
        // crowded block before it.
        const auto first = processor.blocks.front();
        EXPECT_EQ (first.start + first.events.front().first, renderer.toSamplePosition (times.front()));
        const auto& lastBlock = *std::find_if (processor.blocks.rbegin(), processor.blocks.rend(),
                                               [] (const auto& block) { return ! block.events.empty(); });
        EXPECT_LE (lastBlock.start + lastBlock.events.back().first,
                   renderer.toSamplePosition (times.back()) + (juce::int64) times.size() / limit);
    }
}

TEST (PerformanceRenderer, StopsWhenTheConsumerFailsOrTheListenerCancels)
{
    RecordingProcessor processor;
    PerformanceRenderer renderer (processor, sampleRate, 100);

    const auto failed = renderer.render ({}, {}, 1000,
                                         [] (juce::AudioBuffer<float>&) { return juce::Result::fail ("disk full"); },
                                         keepGoing);
    EXPECT_EQ (failed.getErrorMessage(), "disk full");
    EXPECT_EQ (processor.blocks.size(), 1u);

    processor.blocks.clear();
    const auto cancelled = renderer.render ({}, {}, 1000, ignoreAudio,
                                            [] (juce::int64 done, juce::int64) { return done < 300; });
    EXPECT_TRUE (cancelled.failed());
    EXPECT_EQ (processor.blocks.size(), 3u);
}

TEST (PerformanceRenderer, LengthCoversTheTailAndTheLastEvent)
{
    RecordingProcessor processor;
    PerformanceRenderer renderer (processor, 48000.0, 512);

    EXPECT_EQ (renderer.getLengthInSamples (2.0, 3.0), 240000);
    EXPECT_EQ (renderer.getLengthInSamples (0.0, 0.0), 1);
    EXPECT_EQ (renderer.getLengthInSamples (2.0, 0.0), 96001);
    EXPECT_EQ (renderer.toSamplePosition (-1.0), 0);
    EXPECT_EQ (renderer.toSamplePosition (1.0 / 48000.0 * 0.49), 0);
    EXPECT_EQ (renderer.toSamplePosition (1.0 / 48000.0 * 0.51), 1);
}

TEST (PerformanceRenderer, EndsOnceTheOutputHasStayedQuietAfterTheLastEvent)
{
    // Quiet is below 0.5 in magnitude for 100 samples, counted from sample 150; at most 1000.
    const PerformanceRenderer::QuietEnd quietEnd { 150, 100, 0.5f };
    const auto loudUntil = [] (juce::int64 end)
    {
        return [end] (juce::int64 sample) { return sample < end ? -1.0f : 0.0f; };
    };

    const struct
    {
        const char* name;
        std::function<float (juce::int64)> signal;
        juce::int64 expectedLength;
    } cases[] = {
        { "falls quiet after the last event", loudUntil (250), 350 },
        { "quiet already: counted from the last event", loudUntil (50), 250 },
        { "one loud sample starts the wait again", [] (juce::int64 sample) { return sample < 250 || sample == 300 ? 1.0f : 0.0f; }, 401 },
        { "just below the threshold is quiet", [] (juce::int64 sample) { return sample < 250 ? 1.0f : 0.499f; }, 350 },
        { "at the threshold is not", [] (juce::int64 sample) { return sample < 250 ? 1.0f : 0.5f; }, 1000 },
        { "not a number is never quiet", [] (juce::int64 sample) { return sample < 250 ? 1.0f : std::numeric_limits<float>::quiet_NaN(); }, 1000 },
    };

    for (const auto& testCase : cases)
    {
        // The end is the same sample whatever the block size.
        for (const auto blockSize : { 1, 37, 100, 4096 })
        {
            SCOPED_TRACE (juce::String (testCase.name) + ", blocks of " + juce::String (blockSize));
            RecordingProcessor processor;
            processor.signal = testCase.signal;
            PerformanceRenderer renderer (processor, sampleRate, blockSize);

            juce::int64 consumed = 0;
            float lastSample = 0.0f;
            const auto result = renderer.render (notesAt ({ 0.15 }), {}, 1000,
                [&] (juce::AudioBuffer<float>& block)
                {
                    consumed += block.getNumSamples();
                    lastSample = block.getSample (1, block.getNumSamples() - 1);
                    return juce::Result::ok();
                },
                keepGoing, quietEnd);

            ASSERT_TRUE (result.wasOk());
            EXPECT_EQ (consumed, testCase.expectedLength);
            EXPECT_EQ (renderer.getNumSamplesRendered(), testCase.expectedLength);

            // What is handed over ends with the output's own last sample, not a later one.
            const auto expectedLast = testCase.signal (testCase.expectedLength - 1);
            EXPECT_TRUE (lastSample == expectedLast || (std::isnan (lastSample) && std::isnan (expectedLast)));
        }
    }
}
