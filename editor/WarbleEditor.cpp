#include "WarbleEditor.h"

#include <cmath>

namespace
{
    struct KnobSpec
    {
        const char* caption;
        const char* parameterID;
        const char* suffix;
    };

    // In member order, which is also the grid's reading order: two rows of four.
    constexpr std::array<KnobSpec, WarbleEditor::numKnobs> knobSpecs { {
        { "WAVE",   "waveBlend",   ""    },
        { "GLIDE",  "glideTime",   " ms" },
        { "VIB HZ", "vibratoRate", " Hz" },
        { "CUTOFF", "filterBase",  ""    },
        { "MW MOD", "filterMod",   ""    },
        { "RESO",   "resonance",   ""    },
        { "VOL",    "volume",      ""    },
        { "VERB",   "reverb",      ""    },
    } };

    constexpr int knobColumns = 4;

    const juce::Colour accent { WarbleLookAndFeel::accentColour };

    juce::Font monospacedFont (float height, int style)
    {
        return juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), height, style);
    }
}

WarbleEditor::WarbleEditor (WarbleProcessor& processorToEdit)
    : AudioProcessorEditor (processorToEdit),
      processorRef (processorToEdit),
      xyPad (processorToEdit)
{
    setLookAndFeel (&editorLookAndFeel);
    setSize (windowWidth, windowHeight);

    processorRef.lendKeyboardState (midiKeyboardState);

    addAndMakeVisible (xyPad);

    for (size_t i = 0; i < numKnobs; ++i)
        configureKnob (knobs[i], captions[i], knobSpecs[i].caption, knobSpecs[i].suffix);

    legatoButton.setButtonText ("LEGATO");
    addAndMakeVisible (legatoButton);

    for (size_t i = 0; i < numKnobs; ++i)
        knobAttachments[i] = std::make_unique<SliderAttachment> (processorRef.parameters, knobSpecs[i].parameterID, knobs[i]);

    legatoAttachment = std::make_unique<ButtonAttachment> (processorRef.parameters, "legato", legatoButton);
}

WarbleEditor::~WarbleEditor()
{
    // Before anything else: once this returns, no block is passing MIDI through our keyboard state.
    processorRef.withdrawKeyboardState();
    setLookAndFeel (nullptr);
}

void WarbleEditor::configureKnob (juce::Slider& knob, juce::Label& caption,
                                  const juce::String& captionText, const juce::String& suffix)
{
    knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 56, 14);
    knob.setColour (juce::Slider::textBoxTextColourId, accent);
    knob.setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
    knob.setTextValueSuffix (suffix);
    addAndMakeVisible (knob);

    caption.setText (captionText, juce::dontSendNotification);
    caption.setFont (monospacedFont (9.0f, juce::Font::bold));
    caption.setColour (juce::Label::textColourId, accent);
    caption.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (caption);
}

void WarbleEditor::placeKnob (juce::Slider& knob, juce::Label& caption, juce::Rectangle<int> cell)
{
    caption.setBounds (cell.removeFromTop (12));
    knob.setBounds (cell.reduced (1));
}

void WarbleEditor::resized()
{
    auto area = getLocalBounds();
    area.removeFromTop (34);     // header
    area.removeFromBottom (14);  // footer

    auto content = area.reduced (8, 4);

    xyPad.setBounds (content.removeFromLeft (content.getWidth() * 45 / 100).reduced (2));
    content.removeFromLeft (8);

    legatoButton.setBounds (content.removeFromBottom (22).removeFromLeft (90).reduced (2));

    const auto columnWidth = content.getWidth() / knobColumns;
    std::array<juce::Rectangle<int>, 2> rows;
    rows[0] = content.removeFromTop (content.getHeight() / 2);
    rows[1] = content;

    size_t knob = 0;

    for (auto& row : rows)
    {
        for (int column = 0; column < knobColumns; ++column, ++knob)
        {
            // The last column takes whatever the division left over.
            const auto cell = column < knobColumns - 1 ? row.removeFromLeft (columnWidth) : row;
            placeKnob (knobs[knob], captions[knob], cell);
        }
    }
}

void WarbleEditor::paint (juce::Graphics& g)
{
    const auto width = getWidth();
    const auto height = getHeight();
    const auto w = (float) width;
    const auto h = (float) height;

    g.fillAll (juce::Colour (0xff030008));

    // Faint lines that sway sideways down the window.
    g.setColour (juce::Colour (0x80070010));
    for (int y = 0; y < height; y += 6)
    {
        const auto sway = std::sin ((float) y * 0.04f) * 3.0f;
        g.drawHorizontalLine (y, sway, sway + w);
    }

    g.setColour (juce::Colour (0xdd000008));
    g.fillRect (0, 0, width, 32);
    g.setColour (juce::Colour (0x0f00ffee));
    g.fillRect (0.0f, 29.0f, w, 4.0f);
    g.setColour (juce::Colour (0x8c00ffee));
    g.drawHorizontalLine (32, 0.0f, w);

    const juce::String title ("KESTREL://WARBLE");
    const juce::Rectangle<float> titleArea (0.0f, 6.0f, w, 22.0f);
    g.setFont (monospacedFont (16.0f, juce::Font::bold));

    // A soft glow: the title smeared over a 5 x 5 pixel neighbourhood at a very low alpha.
    g.setColour (juce::Colour (0x0d00ffee));
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            g.drawText (title, titleArea.translated ((float) dx, (float) dy), juce::Justification::centred, true);

    g.setColour (accent);
    g.drawText (title, titleArea, juce::Justification::centred, true);
    g.setColour (juce::Colour (0x26ccfffa));
    g.drawText (title, titleArea, juce::Justification::centred, true);

    g.setFont (monospacedFont (8.0f, juce::Font::plain));
    g.setColour (juce::Colour (0x6600ffee));
    g.drawText ("MIDI THEREMIN", juce::Rectangle<float> (8.0f, 4.0f, 160.0f, 10.0f), juce::Justification::centredLeft, true);
    g.drawText ("v" JucePlugin_VersionString, juce::Rectangle<float> ((float) (width - 48), 4.0f, 40.0f, 10.0f),
                juce::Justification::centredRight, true);

    g.setColour (juce::Colour (0x4c00ffee));
    g.drawRect (0.0f, 0.0f, w, h, 1.0f);

    // Corner brackets, drawn after the frame so they lie on top of it. Each straddles the edge,
    // so only its inner half shows.
    g.setColour (juce::Colour (0x8c00ffee));
    g.drawLine (0.0f, 0.0f, 10.0f, 0.0f, 2.0f);
    g.drawLine (0.0f, 0.0f, 0.0f, 10.0f, 2.0f);
    g.drawLine (w - 10.0f, 0.0f, w, 0.0f, 2.0f);
    g.drawLine (w, 0.0f, w, 10.0f, 2.0f);
    g.drawLine (0.0f, h, 10.0f, h, 2.0f);
    g.drawLine (0.0f, h - 10.0f, 0.0f, h, 2.0f);
    g.drawLine (w - 10.0f, h, w, h, 2.0f);
    g.drawLine (w, h - 10.0f, w, h, 2.0f);

    g.setFont (monospacedFont (7.0f, juce::Font::plain));
    g.setColour (juce::Colour (0x4c00ffee));
    g.drawText ("MOD WHEEL -> FILTER + VIBRATO  //  GLIDE + POLY",
                juce::Rectangle<float> (8.0f, (float) (height - 12), (float) (width - 16), 10.0f),
                juce::Justification::centred, true);
}
