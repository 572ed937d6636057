#include "WarbleLookAndFeel.h"

#include <cmath>

namespace
{
    const juce::Colour accent { WarbleLookAndFeel::accentColour };
}

WarbleLookAndFeel::WarbleLookAndFeel()
{
    setColour (juce::Slider::textBoxTextColourId, accent);
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
    setColour (juce::Label::textColourId, accent);
}

void WarbleLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button, bool, bool)
{
    const auto area = button.getLocalBounds().toFloat().reduced (2.0f);
    const auto on = button.getToggleState();

    g.setColour (on ? juce::Colour (0x1a00ffee) : juce::Colour (0xff030008));
    g.fillRoundedRectangle (area, 4.0f);

    g.setColour (on ? accent : juce::Colour (0x4c00ffee));
    g.drawRoundedRectangle (area, 4.0f, 1.2f);

    g.setFont (juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), 10.0f, juce::Font::bold));
    g.setColour (on ? accent : juce::Colour (0x8000ffee));
    g.drawText (button.getButtonText() + (on ? "://ON" : "://OFF"), area, juce::Justification::centred, true);
}

void WarbleLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height,
                                          float sliderPosProportional, float rotaryStartAngle,
                                          float rotaryEndAngle, juce::Slider&)
{
    const auto area = juce::Rectangle<int> (x, y, width, height).toFloat().reduced (6.0f);
    const auto radius = juce::jmin (area.getWidth(), area.getHeight()) / 2.0f;
    const auto cx = area.getCentreX();
    const auto cy = area.getCentreY();
    const auto angle = rotaryStartAngle + sliderPosProportional * (rotaryEndAngle - rotaryStartAngle);

    // A faint halo of three rings, the outermost the brightest.
    for (auto i = 3.0f; i > 0.0f; i -= 1.0f)
    {
        const auto ringRadius = radius + 2.0f * i;
        g.setColour (accent.withAlpha (i * 0.02f));
        g.drawEllipse (cx - ringRadius, cy - ringRadius, 2.0f * ringRadius, 2.0f * ringRadius, 1.6f);
    }

    g.setColour (juce::Colour (0xff0a0014));
    g.fillEllipse (cx - radius, cy - radius, 2.0f * radius, 2.0f * radius);

    const juce::PathStrokeType::JointStyle curved = juce::PathStrokeType::curved;
    const juce::PathStrokeType::EndCapStyle rounded = juce::PathStrokeType::rounded;

    juce::Path track;
    track.addCentredArc (cx, cy, radius, radius, 0.0f, rotaryStartAngle, rotaryEndAngle, true);
    g.setColour (juce::Colour (0x1a00ffee));
    g.strokePath (track, juce::PathStrokeType (2.5f, curved, rounded));

    juce::Path valueArc;
    valueArc.addCentredArc (cx, cy, radius, radius, 0.0f, rotaryStartAngle, angle, true);
    g.setColour (juce::Colour (0x1f00ffee));
    g.strokePath (valueArc, juce::PathStrokeType (8.0f, curved, rounded));
    g.setColour (accent);
    g.strokePath (valueArc, juce::PathStrokeType (2.0f, curved, rounded));

    // The pointer shares the arc's angle convention: clockwise from twelve o'clock.
    const auto pointerLength = 0.7f * radius;
    const auto tipX = cx + pointerLength * std::sin (angle);
    const auto tipY = cy - pointerLength * std::cos (angle);
    g.setColour (juce::Colour (0x3300ffee));
    g.drawLine (cx, cy, tipX, tipY, 5.0f);
    g.setColour (accent);
    g.drawLine (cx, cy, tipX, tipY, 1.8f);

    g.setColour (juce::Colour (0xffccfffa));
    g.fillEllipse (cx - 2.5f, cy - 2.5f, 5.0f, 5.0f);
}
