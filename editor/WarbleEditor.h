#pragma once

#include "../display/WarbleLookAndFeel.h"
#include "../display/XYPadDisplay.h"
#include "../plugin/WarbleProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <memory>

/** The plug-in window: the XY pad on the left, eight captioned knobs and the legato switch on the
    right, a painted header and footer. While it exists it lends the processor a keyboard state,
    through which every block's MIDI passes. */
class WarbleEditor : public juce::AudioProcessorEditor
{
public:
    explicit WarbleEditor (WarbleProcessor& processorToEdit);
    ~WarbleEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    static constexpr int windowWidth = 500;
    static constexpr int windowHeight = 280;
    static constexpr size_t numKnobs = 8;

private:
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using ButtonAttachment = juce::AudioProcessorValueTreeState::ButtonAttachment;

    void configureKnob (juce::Slider& knob, juce::Label& caption,
                        const juce::String& captionText, const juce::String& suffix);
    void placeKnob (juce::Slider& knob, juce::Label& caption, juce::Rectangle<int> cell);

    WarbleProcessor& processorRef;

    // Declared before the controls, so it outlives every component that draws with it.
    WarbleLookAndFeel editorLookAndFeel;

    XYPadDisplay xyPad;
    std::array<juce::Slider, numKnobs> knobs;
    std::array<juce::Label, numKnobs> captions;
    juce::ToggleButton legatoButton;

    // Declared after the controls, so each attachment lets go of its control before it dies.
    std::array<std::unique_ptr<SliderAttachment>, numKnobs> knobAttachments;
    std::unique_ptr<ButtonAttachment> legatoAttachment;

    juce::MidiKeyboardState midiKeyboardState;

    friend struct WarbleEditorTestAccess;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WarbleEditor)
};
