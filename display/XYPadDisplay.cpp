#include "XYPadDisplay.h"

#include <cmath>

namespace
{
    constexpr float twoPi = 6.2831855f;
    constexpr float glowRadius = 60.0f;

    juce::Font labelFont (float height)
    {
        return juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), height, juce::Font::bold);
    }

    bool isPlaying (int voices, int note) noexcept
    {
        return voices > 0 && note >= 0;
    }
}

XYPadDisplay::XYPadDisplay (WarbleProcessor& processorToShow)
    : processor (processorToShow)
{
    startTimerHz (ticksPerSecond);
}

float XYPadDisplay::noteToX (int note) noexcept
{
    // Five octaves, from C2 (note 36) to C7 (note 96). Widened before subtracting so that no
    // published value can overflow.
    return juce::jlimit (0.0f, 1.0f, (float) ((juce::int64) note - 36) / 60.0f);
}

float XYPadDisplay::wheelToY (float wheel) noexcept
{
    // Written so that a NaN lands on the bottom edge rather than in the drawing coordinates.
    return wheel > 0.0f ? juce::jmin (wheel, 1.0f) : 0.0f;
}

void XYPadDisplay::timerCallback()
{
    for (auto& point : trail)
        point.age += tickSeconds;

    // Erasing from the front keeps the vector's capacity, so steady playing stops allocating.
    while (! trail.empty() && trail.front().age > trailLifetimeSeconds)
        trail.erase (trail.begin());

    const auto voices = processor.activeVoiceCount.load();
    const auto note = processor.lastNote.load();
    const auto wheel = processor.modWheel.load();

    if (isPlaying (voices, note))
    {
        hue = std::fmod (hue + 1.5f, 360.0f);
        trail.push_back ({ noteToX (note), wheelToY (wheel), 0.0f, hue });

        if (trail.size() > maximumTrailPoints)
            trail.erase (trail.begin());
    }

    pulsePhase += 0.1f;

    if (pulsePhase > twoPi)
        pulsePhase -= twoPi;

    repaint();
}

void XYPadDisplay::paint (juce::Graphics& g)
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();

    g.setColour (juce::Colour (0xff02000a));
    g.fillRoundedRectangle (0.0f, 0.0f, w, h, 4.0f);

    g.setColour (juce::Colour (0x0f00ffee));
    for (int i = 0; i <= 12; ++i)
        g.drawVerticalLine ((int) ((float) i / 12.0f * w), 0.0f, h);
    for (int j = 0; j <= 6; ++j)
        g.drawHorizontalLine ((int) ((float) j / 6.0f * h), 0.0f, w);

    // One line per octave: notes 36, 48, 60, 72, 84 and 96.
    g.setColour (juce::Colour (0x2600ffee));
    for (int i = 0; i <= 5; ++i)
        g.drawVerticalLine ((int) ((float) i / 5.0f * w), 0.0f, h);

    for (size_t i = 1; i < trail.size(); ++i)
    {
        const auto& from = trail[i - 1];
        const auto& to = trail[i];
        const auto fade = juce::jmax (1.0f - to.age * 0.5f, 0.0f);

        g.setColour (juce::Colour::fromHSL (to.hue / 360.0f, 1.0f, 0.65f, fade * 0.55f));
        g.drawLine (w * from.x, (1.0f - from.y) * h, w * to.x, (1.0f - to.y) * h, 2.0f * fade + 0.5f);
    }

    // Read afresh rather than reusing the last tick's values, so the cursor is never a tick late.
    const auto voices = processor.activeVoiceCount.load();
    const auto note = processor.lastNote.load();
    const auto wheel = processor.modWheel.load();

    if (! isPlaying (voices, note))
    {
        g.setFont (labelFont (10.0f));
        g.setColour (juce::Colour (0x5900ffee));
        g.drawText ("// PLAY MIDI  //  MOD WHEEL = Y", juce::Rectangle<float> (0.0f, 0.0f, w, h),
                    juce::Justification::centred, true);
    }
    else
    {
        const auto px = noteToX (note) * w;
        const auto py = (1.0f - wheelToY (wheel)) * h;

        g.setColour (juce::Colour (0x2600ffee));
        g.drawVerticalLine ((int) px, 0.0f, h);
        g.drawHorizontalLine ((int) py, 0.0f, w);

        const auto glowAlpha = (std::sin (pulsePhase) * 0.5f + 0.5f) * 0.15f + 0.35f;
        const auto hueProportion = hue / 360.0f;
        g.setGradientFill (juce::ColourGradient (juce::Colour::fromHSL (hueProportion, 1.0f, 0.65f, glowAlpha), px, py,
                                                 juce::Colour::fromHSL (hueProportion, 1.0f, 0.65f, 0.0f),
                                                 px + glowRadius, py + glowRadius, true));
        g.fillEllipse (px - glowRadius, py - glowRadius, 2.0f * glowRadius, 2.0f * glowRadius);

        g.setColour (juce::Colour::fromHSL (hueProportion, 1.0f, 0.7f, 1.0f));
        g.fillEllipse (px - 7.0f, py - 7.0f, 14.0f, 14.0f);

        g.setColour (juce::Colour (0xe6ffffff));
        g.fillEllipse (px - 3.0f, py - 3.0f, 6.0f, 6.0f);
    }

    g.setFont (labelFont (8.0f));
    g.setColour (juce::Colour (0x5900ffee));
    const juce::Rectangle<float> labelArea (6.0f, 4.0f, juce::jmax (w - 12.0f, 0.0f), juce::jmax (h - 8.0f, 0.0f));
    g.drawText ("X: PITCH", labelArea, juce::Justification::bottomLeft, true);
    g.drawText ("Y: MOD WHEEL", labelArea, juce::Justification::bottomRight, true);

    // Scanlines over everything, cursor and labels included.
    g.setColour (juce::Colour (0x0f000000));
    for (int y = 0; y < getHeight(); y += 3)
        g.fillRect (0.0f, (float) y, w, 1.0f);

    g.setColour (juce::Colour (0x6600ffee));
    g.drawRoundedRectangle (0.0f, 0.0f, w, h, 4.0f, 1.0f);
}
