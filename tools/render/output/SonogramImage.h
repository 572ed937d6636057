#pragma once

#include "Sonogram.h"

#include <juce_graphics/juce_graphics.h>

#include <vector>

/** Draws a Sonogram as a picture: time across, frequency up, level as colour, with labelled
    axes in seconds and kHz and a colour scale in dB.

    The frequency axis is warped as the mel scale is: nearly linear below about 700 Hz and
    logarithmic above, so that a melody's octaves get room while the top of the band, up to the
    Nyquist frequency, keeps a visible share of the height. Where a pixel row spans several bins
    it shows the loudest, so that a narrow tone is never averaged away. */
class SonogramImage
{
public:
    static constexpr int defaultWidth = 1200;
    static constexpr int defaultHeight = 600;
    static constexpr float minimumDecibels = -120.0f;
    static constexpr float maximumDecibels = 0.0f;

    explicit SonogramImage (int width = defaultWidth, int height = defaultHeight);

    /** Where the levels are drawn. A sonogram needs no more columns than this is wide. */
    juce::Rectangle<int> getPlotArea() const noexcept { return plotArea; }

    /** The height in the picture at which a frequency is drawn, for audio at this sample rate. */
    float getYForFrequency (double frequency, double sampleRate) const noexcept;

    /** The colour that stands for a level. */
    juce::Colour getColourForLevel (float decibels) const noexcept;

    juce::Image draw (const Sonogram& sonogram, const juce::String& title) const;

private:
    double getFrequencyForY (double y, double sampleRate) const noexcept;
    void drawLevels (juce::Image& image, const Sonogram& sonogram) const;
    void drawFrequencyAxis (juce::Graphics& g, double sampleRate) const;
    void drawTimeAxis (juce::Graphics& g, double lengthInSeconds) const;
    void drawColourScale (juce::Graphics& g) const;

    const int width;
    const int height;
    const juce::Rectangle<int> plotArea;
    std::vector<juce::Colour> palette;
};
