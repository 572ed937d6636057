#pragma once

#include <juce_graphics/juce_graphics.h>

/** Writes a PNG file so that the target only ever appears complete, as WavFileOutput does: the
    image goes to a hidden temporary file beside the target, which replaces the target in one
    rename. On failure the target, if one existed, is left as it was. */
class PngFileOutput
{
public:
    static juce::Result write (const juce::Image& image, const juce::File& target);
};
