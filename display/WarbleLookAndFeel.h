#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The instrument's dark, single-accent style for rotary knobs and toggle buttons. Every other
    control keeps LookAndFeel_V4's dark scheme. */
class WarbleLookAndFeel : public juce::LookAndFeel_V4
{
public:
    WarbleLookAndFeel();

    void drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                           bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                           float sliderPosProportional, float rotaryStartAngle, float rotaryEndAngle,
                           juce::Slider& slider) override;

    static constexpr juce::uint32 accentColour = 0xff00ffee;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WarbleLookAndFeel)
};
