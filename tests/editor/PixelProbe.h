#pragma once

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstdlib>

// Expected colours for pixel probes: what a fill of `top` leaves on an opaque `below` when it
// covers the given share of the pixel.
inline juce::Colour over (juce::Colour below, juce::uint32 top, float coverage = 1.0f)
{
    return below.overlaidWith (juce::Colour (top).withMultipliedAlpha (coverage));
}

inline int channelDistance (juce::Colour a, juce::Colour b)
{
    return juce::jmax (std::abs ((int) a.getAlpha() - (int) b.getAlpha()),
                       std::abs ((int) a.getRed()   - (int) b.getRed()),
                       std::abs ((int) a.getGreen() - (int) b.getGreen()),
                       std::abs ((int) a.getBlue()  - (int) b.getBlue()));
}

// Blending rounds slightly differently from Colour::overlaidWith, hence the tolerance.
inline testing::AssertionResult pixelNear (const juce::Image& image, int x, int y, juce::Colour expected,
                                           int tolerance = 2)
{
    const auto actual = image.getPixelAt (x, y);

    if (channelDistance (actual, expected) <= tolerance)
        return testing::AssertionSuccess();

    return testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                       << actual.toDisplayString (true) << ", expected "
                                       << expected.toDisplayString (true) << " within " << tolerance;
}

// Columns (or rows) in [from, to) of the given rows (or columns) whose pixel differs from the
// background colour; used to find where a text was drawn.
struct InkExtent
{
    int first = -1;
    int last = -1;
};

inline InkExtent columnsWithInk (const juce::Image& image, juce::Rectangle<int> area, juce::Colour background)
{
    InkExtent extent;

    for (int x = area.getX(); x < area.getRight(); ++x)
    {
        for (int y = area.getY(); y < area.getBottom(); ++y)
        {
            if (channelDistance (image.getPixelAt (x, y), background) > 2)
            {
                if (extent.first < 0)
                    extent.first = x;

                extent.last = x;
                break;
            }
        }
    }

    return extent;
}
