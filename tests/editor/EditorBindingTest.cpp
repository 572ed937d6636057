#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

namespace
{
    using Access = WarbleEditorTestAccess;

    struct KnobBinding
    {
        size_t knob;
        const char* parameterID;
        float defaultValue;
        const char* defaultText;
    };

    const KnobBinding knobBindings[] {
        { 0, "waveBlend",   0.15f, "0.150" },
        { 1, "glideTime",   80.0f, "80.0 ms" },
        { 2, "vibratoRate", 5.0f,  "5.00 Hz" },
        { 3, "filterBase",  0.35f, "0.350" },
        { 4, "filterMod",   0.7f,  "0.700" },
        { 5, "resonance",   0.35f, "0.350" },
        { 6, "volume",      0.7f,  "0.700" },
        { 7, "reverb",      0.35f, "0.350" },
    };

    class EditorBinding : public testing::Test
    {
    protected:
        juce::RangedAudioParameter& parameter (const char* id)  { return *processor.parameters.getParameter (id); }
        float value (const char* id)                            { return processor.parameters.getRawParameterValue (id)->load(); }
        juce::Slider& knob (size_t index)                       { return Access::knob (editor, index); }
        juce::ToggleButton& legato()                            { return Access::legatoButton (editor); }

        static juce::Label& textBox (juce::Slider& slider)
        {
            for (auto* child : slider.getChildren())
                if (auto* label = dynamic_cast<juce::Label*> (child))
                    return *label;

            throw std::logic_error ("the knob has no text box");
        }

        WarbleProcessor processor;
        WarbleEditor editor { processor };
    };
}

TEST_F (EditorBinding, ControlsStartAtTheParametersWithTheirRangesAndTexts)
{
    for (const auto& binding : knobBindings)
    {
        SCOPED_TRACE (binding.parameterID);
        auto& slider = knob (binding.knob);
        const auto range = parameter (binding.parameterID).getNormalisableRange();

        EXPECT_FLOAT_EQ ((float) slider.getValue(), binding.defaultValue);
        EXPECT_FLOAT_EQ ((float) slider.getMinimum(), range.start);
        EXPECT_FLOAT_EQ ((float) slider.getMaximum(), range.end);
        EXPECT_EQ (slider.getTextFromValue (slider.getValue()), binding.defaultText);
        EXPECT_EQ (textBox (slider).getText(), binding.defaultText);
        EXPECT_EQ (slider.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
        EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::TextBoxBelow);
        EXPECT_TRUE (slider.isTextBoxEditable());
    }

    EXPECT_FALSE (legato().getToggleState());
}

TEST_F (EditorBinding, MovingAControlSetsItsParameter)
{
    for (const auto& binding : knobBindings)
    {
        SCOPED_TRACE (binding.parameterID);
        const auto range = parameter (binding.parameterID).getNormalisableRange();
        const auto target = range.snapToLegalValue (range.convertFrom0to1 (0.8f));
        knob (binding.knob).setValue (target, juce::sendNotificationSync);
        EXPECT_FLOAT_EQ (value (binding.parameterID), target);
    }

    // Values between steps land on the parameter's grid.
    knob (1).setValue (123.456, juce::sendNotificationSync);
    EXPECT_FLOAT_EQ (value ("glideTime"), 123.5f);

    legato().setToggleState (true, juce::sendNotificationSync);
    EXPECT_EQ (value ("legato"), 1.0f);
    legato().setToggleState (false, juce::sendNotificationSync);
    EXPECT_EQ (value ("legato"), 0.0f);
}

TEST_F (EditorBinding, HostChangesMoveTheControls)
{
    for (const auto& binding : knobBindings)
    {
        SCOPED_TRACE (binding.parameterID);
        auto& param = parameter (binding.parameterID);
        param.setValueNotifyingHost (0.25f);
        EXPECT_FLOAT_EQ ((float) knob (binding.knob).getValue(), param.convertFrom0to1 (0.25f));
    }

    parameter ("legato").setValueNotifyingHost (1.0f);
    EXPECT_TRUE (legato().getToggleState());
    EXPECT_EQ (textBox (knob (2)).getText(), "4.00 Hz");
}

TEST_F (EditorBinding, RestoredStateMovesTheControls)
{
    WarbleProcessor other;
    other.parameters.getParameter ("glideTime")->setValueNotifyingHost (0.5f);
    other.parameters.getParameter ("reverb")->setValueNotifyingHost (1.0f);
    other.parameters.getParameter ("legato")->setValueNotifyingHost (1.0f);

    juce::MemoryBlock saved;
    other.getStateInformation (saved);
    processor.setStateInformation (saved.getData(), (int) saved.getSize());

    EXPECT_FLOAT_EQ ((float) knob (1).getValue(), 250.0f);
    EXPECT_FLOAT_EQ ((float) knob (7).getValue(), 1.0f);
    EXPECT_FLOAT_EQ ((float) knob (0).getValue(), 0.15f);
    EXPECT_TRUE (legato().getToggleState());
}

TEST_F (EditorBinding, TypedTextIsReadThroughTheParameter)
{
    struct Case { const char* typed; float glide; const char* shown; };

    const Case cases[] {
        { "250.04", 250.0f, "250.0 ms" },
        { "600", 500.0f, "500.0 ms" },
        { "-3", 0.0f, "0.0 ms" },
        { "120 ms", 120.0f, "120.0 ms" },
    };

    auto& box = textBox (knob (1));

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.typed);
        box.setText (c.typed, juce::sendNotificationSync);
        EXPECT_FLOAT_EQ (value ("glideTime"), c.glide);
        EXPECT_EQ (box.getText(), c.shown);
    }
}

TEST_F (EditorBinding, DoubleClickReturnsAKnobToItsDefault)
{
    auto& glide = knob (1);
    glide.setValue (300.0, juce::sendNotificationSync);
    ASSERT_FLOAT_EQ (value ("glideTime"), 300.0f);

    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent doubleClick (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f,
                                        0.0f, 0.0f, &glide, &glide, now, {}, now, 2, false);
    glide.mouseDoubleClick (doubleClick);

    EXPECT_FLOAT_EQ ((float) glide.getValue(), 80.0f);
    EXPECT_FLOAT_EQ (value ("glideTime"), 80.0f);
}

TEST (EditorKeyboardState, IsLentWhileAnEditorIsOpenAndWithdrawnWhenItCloses)
{
    WarbleProcessor processor;
    EXPECT_EQ (processor.keyboardState.load(), nullptr);

    for (int reopen = 0; reopen < 3; ++reopen)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        auto* warbleEditor = dynamic_cast<WarbleEditor*> (editor.get());
        ASSERT_NE (warbleEditor, nullptr);
        EXPECT_EQ (processor.keyboardState.load(), &Access::keyboardState (*warbleEditor));

        // Closed as the plug-in wrapper closes it.
        processor.editorBeingDeleted (editor.get());
        editor.reset();
        EXPECT_EQ (processor.keyboardState.load(), nullptr);
    }
}

TEST (EditorKeyboardState, FollowsTheNotesOfEveryBlock)
{
    WarbleProcessor processor;
    processor.prepareToPlay (48000.0, 256);
    juce::AudioBuffer<float> buffer (2, 256);

    const auto processNote = [&] (juce::MidiMessage message)
    {
        juce::MidiBuffer midi;
        midi.addEvent (message, 10);
        processor.processBlock (buffer, midi);
    };

    {
        WarbleEditor editor (processor);
        auto& state = Access::keyboardState (editor);

        processNote (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100));
        EXPECT_TRUE (state.isNoteOn (1, 60));

        processNote (juce::MidiMessage::noteOff (1, 60));
        EXPECT_FALSE (state.isNoteOn (1, 60));
    }

    // With the editor gone, blocks run on without a keyboard state.
    processNote (juce::MidiMessage::noteOn (1, 62, (juce::uint8) 100));
    EXPECT_EQ (processor.lastNote.load(), 62);
}
