#include "plugin/WarbleProcessor.h"

#include <gtest/gtest.h>

TEST (ProcessorIdentity, FreshProcessorAnswersWithoutPreparation)
{
    WarbleProcessor processor;

    EXPECT_EQ (processor.getName(), "Warble");
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 3.0);
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getLatencySamples(), 0);
    EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);

    EXPECT_EQ (processor.getTotalNumInputChannels(), 0);
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_TRUE (processor.getBus (false, 0)->isEnabledByDefault());
    EXPECT_EQ (processor.getBusCount (true), 0);

    EXPECT_EQ (processor.keyboardState.load(), nullptr);
    EXPECT_EQ (processor.lastNote.load(), -1);
    EXPECT_EQ (processor.activeVoiceCount.load(), 0);
    EXPECT_EQ (processor.modWheel.load(), 0.0f);
}

TEST (ProcessorIdentity, ProgramRequestsAreHarmless)
{
    WarbleProcessor processor;
    const auto before = processor.parameters.copyState().toXmlString();

    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);

    for (const auto index : { -1, 0, 5, 1000 })
    {
        processor.setCurrentProgram (index);
        processor.changeProgramName (index, "Renamed");
        EXPECT_EQ (processor.getProgramName (index), juce::String()) << "program " << index;
    }

    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.parameters.copyState().toXmlString(), before);
}

TEST (ProcessorIdentity, AcceptsMonoAndStereoOutputOnly)
{
    struct Case { juce::AudioChannelSet output; bool accepted; };

    const Case cases[] = {
        { juce::AudioChannelSet::mono(),                     true },
        { juce::AudioChannelSet::stereo(),                   true },
        { juce::AudioChannelSet::disabled(),                 false },
        { juce::AudioChannelSet::quadraphonic(),             false },
        { juce::AudioChannelSet::create5point1(),            false },
        { juce::AudioChannelSet::discreteChannels (2),       false },
    };

    WarbleProcessor processor;

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.outputBuses.add (c.output);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted) << c.output.getDescription();

        // The input side is not examined.
        layout.inputBuses.add (juce::AudioChannelSet::create5point1());
        EXPECT_EQ (processor.isBusesLayoutSupported (layout), c.accepted) << c.output.getDescription();
    }

    EXPECT_FALSE (processor.checkBusesLayoutSupported (juce::AudioProcessor::BusesLayout {}));

    // A refused layout leaves the processor as it was; an accepted one is applied.
    juce::AudioProcessor::BusesLayout surround;
    surround.outputBuses.add (juce::AudioChannelSet::create5point1());
    EXPECT_FALSE (processor.setBusesLayout (surround));
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 2);

    juce::AudioProcessor::BusesLayout mono;
    mono.outputBuses.add (juce::AudioChannelSet::mono());
    EXPECT_TRUE (processor.setBusesLayout (mono));
    EXPECT_EQ (processor.getTotalNumOutputChannels(), 1);
}

TEST (ProcessorIdentity, UnpreparedProcessorRendersSilence)
{
    WarbleProcessor processor;
    juce::AudioBuffer<float> buffer (2, 256);
    buffer.applyGain (0.0f);
    buffer.setSample (0, 10, 0.5f);

    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);

    EXPECT_EQ (buffer.getMagnitude (0, 256), 0.0f);
}

TEST (ProcessorIdentity, InstancesShareNothing)
{
    WarbleProcessor first, second;
    first.prepareToPlay (48000.0, 128);
    second.prepareToPlay (48000.0, 128);

    first.parameters.getParameter ("volume")->setValueNotifyingHost (0.2f);

    juce::AudioBuffer<float> a (2, 128), b (2, 128);
    juce::MidiBuffer notes, none;
    notes.addEvent (juce::MidiMessage::noteOn (1, 64, (juce::uint8) 100), 0);
    first.processBlock (a, notes);
    second.processBlock (b, none);

    EXPECT_NEAR (second.parameters.getParameter ("volume")->getValue(), 0.7f, 1.0e-6f);
    EXPECT_EQ (second.lastNote.load(), -1);
    EXPECT_EQ (second.activeVoiceCount.load(), 0);
    EXPECT_EQ (b.getMagnitude (0, 128), 0.0f);
    EXPECT_EQ (first.lastNote.load(), 64);
    EXPECT_GT (a.getMagnitude (0, 128), 0.0f);
}
