#pragma once

#include <juce_graphics/juce_graphics.h>

/** The playing strip's colours: the instrument window's dark panel and its one cyan accent. */
namespace StripColours
{
    inline const juce::Colour background { 0xff030008 };
    inline const juce::Colour panel { 0xff0a0014 };
    inline const juce::Colour whiteKey { 0xff1a1726 };
    inline const juce::Colour blackKey { 0xff050309 };
    inline const juce::Colour outline { 0x4c00ffee };
    inline const juce::Colour faintAccent { 0x2600ffee };
    inline const juce::Colour accent { 0xff00ffee };
    inline const juce::Colour text { 0xccb0fff8 };
    inline const juce::Colour warning { 0xffffb040 };

    inline juce::Font font (float height)
    {
        return juce::Font (juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), height, juce::Font::plain));
    }
}
