#pragma once

#include "../plugin/WarbleProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The plug-in window. */
class WarbleEditor : public juce::AudioProcessorEditor
{
public:
    explicit WarbleEditor (WarbleProcessor& processor);
    ~WarbleEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    WarbleProcessor& processorRef;
    juce::MidiKeyboardState midiKeyboardState;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WarbleEditor)
};
