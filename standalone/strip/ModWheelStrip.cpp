#include "ModWheelStrip.h"

#include "StripColours.h"

namespace
{
    constexpr float captionHeight = 12.0f;
}

ModWheelStrip::ModWheelStrip()
{
    setRepaintsOnMouseActivity (false);
}

juce::Rectangle<float> ModWheelStrip::getTrack() const
{
    return getLocalBounds().toFloat().withTrimmedBottom (captionHeight).reduced (3.0f, 2.0f);
}

void ModWheelStrip::showPosition (int newPosition)
{
    if (held || newPosition == position)
        return;

    position = juce::jlimit (0, 127, newPosition);
    repaint();
}

void ModWheelStrip::moveTo (float y)
{
    const auto track = getTrack();
    const auto proportion = juce::jlimit (0.0f, 1.0f, (track.getBottom() - y) / juce::jmax (1.0f, track.getHeight()));
    const auto newPosition = juce::roundToInt (proportion * 127.0f);

    if (newPosition == position)
        return;

    position = newPosition;
    repaint();

    if (onMove != nullptr)
        onMove (position);
}

void ModWheelStrip::mouseDown (const juce::MouseEvent& e)
{
    held = true;
    moveTo (e.position.y);
}

void ModWheelStrip::mouseDrag (const juce::MouseEvent& e)
{
    moveTo (e.position.y);
}

void ModWheelStrip::mouseUp (const juce::MouseEvent&)
{
    held = false;
}

void ModWheelStrip::paint (juce::Graphics& g)
{
    const auto track = getTrack();
    g.setColour (StripColours::panel);
    g.fillRoundedRectangle (track, 3.0f);

    const auto level = track.getHeight() * (float) position / 127.0f;
    const auto filled = track.withTop (track.getBottom() - level);
    g.setColour (StripColours::accent.withAlpha (0.35f));
    g.fillRoundedRectangle (filled, 3.0f);

    g.setColour (StripColours::accent);
    g.fillRect (track.getX(), filled.getY() - 1.0f, track.getWidth(), 2.0f);

    g.setColour (StripColours::outline);
    g.drawRoundedRectangle (track, 3.0f, 1.0f);

    g.setColour (StripColours::text);
    g.setFont (StripColours::font (9.0f));
    g.drawText ("MOD", getLocalBounds().removeFromBottom ((int) captionHeight), juce::Justification::centred, false);
}
