#include "SonogramImage.h"

#include <algorithm>
#include <cmath>

namespace
{
    constexpr int leftMargin = 64;
    constexpr int rightMargin = 88;
    constexpr int topMargin = 30;
    constexpr int bottomMargin = 46;
    constexpr int tickLength = 4;
    constexpr int paletteSize = 256;

    // Where the mel scale turns from linear to logarithmic.
    constexpr double melCornerHz = 700.0;

    const juce::Colour background (0xff111418);
    const juce::Colour textColour (0xffc8d0d8);
    const juce::Colour frameColour (0xff5a6470);

    // Dark to bright, rising steadily in lightness so that loudness reads without the legend
    // (after the "inferno" map).
    const juce::uint32 paletteStops[] = { 0xff000004, 0xff280b54, 0xff65156e, 0xff9f2a63,
                                          0xffd44842, 0xfff57d15, 0xfffac127, 0xfffcffa4 };

    juce::Font labelFont (float height)
    {
        return juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), height, juce::Font::plain);
    }

    double melPosition (double frequency)
    {
        return std::log1p (frequency / melCornerHz);
    }

    /** A number as short as it can be written: "0.1", "2", "22.05". */
    juce::String shortNumber (double value)
    {
        auto text = juce::String (value, 2);

        if (text.containsChar ('.'))
            text = text.trimCharactersAtEnd ("0").trimCharactersAtEnd (".");

        return text;
    }

    /** Steps of 1, 2 and 5 times a power of ten. */
    std::vector<double> oneTwoFiveSteps (double from, double to)
    {
        std::vector<double> steps;

        for (auto decade = from; decade <= to; decade *= 10.0)
            for (const auto multiple : { 1.0, 2.0, 5.0 })
                if (decade * multiple <= to)
                    steps.push_back (decade * multiple);

        return steps;
    }
}

SonogramImage::SonogramImage (int imageWidth, int imageHeight)
    : width (imageWidth),
      height (imageHeight),
      plotArea (juce::Rectangle<int> (imageWidth, imageHeight)
                    .withTrimmedLeft (leftMargin).withTrimmedRight (rightMargin)
                    .withTrimmedTop (topMargin).withTrimmedBottom (bottomMargin))
{
    juce::ColourGradient gradient;

    for (size_t i = 0; i < std::size (paletteStops); ++i)
        gradient.addColour ((double) i / (double) (std::size (paletteStops) - 1), juce::Colour (paletteStops[i]));

    for (int i = 0; i < paletteSize; ++i)
        palette.push_back (gradient.getColourAtPosition ((double) i / (paletteSize - 1)));
}

float SonogramImage::getYForFrequency (double frequency, double sampleRate) const noexcept
{
    const auto proportion = melPosition (std::max (0.0, frequency)) / melPosition (sampleRate / 2.0);
    return (float) (plotArea.getBottom() - proportion * plotArea.getHeight());
}

double SonogramImage::getFrequencyForY (double y, double sampleRate) const noexcept
{
    const auto proportion = (plotArea.getBottom() - y) / plotArea.getHeight();
    return melCornerHz * std::expm1 (proportion * melPosition (sampleRate / 2.0));
}

juce::Colour SonogramImage::getColourForLevel (float decibels) const noexcept
{
    const auto proportion = (decibels - minimumDecibels) / (maximumDecibels - minimumDecibels);
    return palette[(size_t) juce::jlimit (0, paletteSize - 1, juce::roundToInt (proportion * (paletteSize - 1)))];
}

juce::Image SonogramImage::draw (const Sonogram& sonogram, const juce::String& title) const
{
    juce::Image image (juce::Image::RGB, width, height, true, juce::SoftwareImageType());

    {
        juce::Graphics g (image);
        g.fillAll (background);
    }

    drawLevels (image, sonogram);

    juce::Graphics g (image);
    g.setColour (frameColour);
    g.drawRect (plotArea.expanded (1), 1);

    g.setColour (textColour);
    g.setFont (labelFont (13.0f));
    g.drawText (title, plotArea.getX(), 0, plotArea.getWidth(), topMargin - 4, juce::Justification::centredLeft);

    const auto lengthInSeconds = sonogram.getSampleRate() > 0.0
                                     ? (double) sonogram.getTotalSamples() / sonogram.getSampleRate()
                                     : 0.0;
    drawFrequencyAxis (g, sonogram.getSampleRate());
    drawTimeAxis (g, lengthInSeconds);
    drawColourScale (g);
    return image;
}

void SonogramImage::drawLevels (juce::Image& image, const Sonogram& sonogram) const
{
    const auto numColumns = sonogram.getNumColumns();
    const auto plotWidth = plotArea.getWidth();
    const auto plotHeight = plotArea.getHeight();
    juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);

    if (numColumns == 0 || plotWidth <= 0)
    {
        for (int y = 0; y < plotHeight; ++y)
            for (int x = 0; x < plotWidth; ++x)
                pixels.setPixelColour (plotArea.getX() + x, plotArea.getY() + y, getColourForLevel (minimumDecibels));

        return;
    }

    // What each pixel row shows: the loudest of the bins between its edges, or, where a row is
    // narrower than a bin, the level between the two nearest bins.
    struct RowSource
    {
        int firstBin = 0, lastBin = -1;
        int lowerBin = 0;
        float fraction = 0.0f;
    };

    const auto sampleRate = sonogram.getSampleRate();
    const auto binWidth = sonogram.getBinFrequency (1);
    constexpr auto lastBin = Sonogram::numBins - 1;
    std::vector<RowSource> rows ((size_t) plotHeight);

    for (int row = 0; row < plotHeight; ++row)
    {
        const auto top = (double) (plotArea.getY() + row);
        auto& source = rows[(size_t) row];
        source.firstBin = (int) std::ceil (getFrequencyForY (top + 1.0, sampleRate) / binWidth);
        source.lastBin = std::min (lastBin, (int) std::floor (getFrequencyForY (top, sampleRate) / binWidth));

        const auto centre = std::clamp (getFrequencyForY (top + 0.5, sampleRate) / binWidth, 0.0, (double) lastBin);
        source.lowerBin = std::min (lastBin - 1, (int) centre);
        source.fraction = (float) (centre - source.lowerBin);
    }

    for (int x = 0; x < plotWidth; ++x)
    {
        const auto column = (int) ((juce::int64) x * numColumns / plotWidth);

        for (int row = 0; row < plotHeight; ++row)
        {
            const auto& source = rows[(size_t) row];
            float level;

            if (source.firstBin <= source.lastBin)
            {
                level = sonogram.getLevelDecibels (column, source.firstBin);

                for (int bin = source.firstBin + 1; bin <= source.lastBin; ++bin)
                    level = std::max (level, sonogram.getLevelDecibels (column, bin));
            }
            else
            {
                level = juce::jmap (source.fraction, sonogram.getLevelDecibels (column, source.lowerBin),
                                    sonogram.getLevelDecibels (column, source.lowerBin + 1));
            }

            pixels.setPixelColour (plotArea.getX() + x, plotArea.getY() + row, getColourForLevel (level));
        }
    }
}

void SonogramImage::drawFrequencyAxis (juce::Graphics& g, double sampleRate) const
{
    if (sampleRate <= 0.0)
        return;

    constexpr int labelHeight = 12;
    constexpr float minimumSpacing = 16.0f;
    const auto nyquist = sampleRate / 2.0;
    const auto labelRight = plotArea.getX() - tickLength - 4;
    g.setFont (labelFont (11.0f));

    const auto drawTick = [&] (double frequency)
    {
        const auto y = juce::roundToInt (getYForFrequency (frequency, sampleRate));
        g.drawHorizontalLine (y, (float) (plotArea.getX() - 1 - tickLength), (float) (plotArea.getX() - 1));
        g.drawText (shortNumber (frequency / 1000.0), 0, y - labelHeight / 2, labelRight, labelHeight,
                    juce::Justification::centredRight);
    };

    // The Nyquist frequency always, at the top; the round values below it where they have room.
    drawTick (nyquist);
    auto lastY = (float) plotArea.getBottom();

    for (const auto kHz : oneTwoFiveSteps (0.1, nyquist / 1000.0))
    {
        const auto frequency = kHz * 1000.0;
        const auto y = getYForFrequency (frequency, sampleRate);

        if (y <= getYForFrequency (nyquist, sampleRate) + minimumSpacing)
            break;

        if (lastY - y >= minimumSpacing)
        {
            drawTick (frequency);
            lastY = y;
        }
    }

    drawTick (0.0);

    g.drawText ("kHz", 0, plotArea.getY() - labelHeight - 8, labelRight, labelHeight, juce::Justification::centredRight);
}

void SonogramImage::drawTimeAxis (juce::Graphics& g, double lengthInSeconds) const
{
    constexpr int labelWidth = 60;
    constexpr double minimumSpacing = 70.0;
    const auto labelTop = plotArea.getBottom() + 1 + tickLength + 2;
    g.setFont (labelFont (11.0f));
    g.drawText ("seconds", plotArea.getX(), labelTop + 16, plotArea.getWidth(), 14, juce::Justification::centred);

    if (lengthInSeconds <= 0.0)
        return;

    const auto pixelsPerSecond = plotArea.getWidth() / lengthInSeconds;
    auto step = 0.01;

    for (const auto candidate : oneTwoFiveSteps (0.01, 1.0e6))
    {
        step = candidate;

        if (candidate * pixelsPerSecond >= minimumSpacing)
            break;
    }

    for (int index = 0; index * step <= lengthInSeconds * (1.0 + 1.0e-9); ++index)
    {
        const auto seconds = index * step;
        const auto x = plotArea.getX() + juce::roundToInt (seconds * pixelsPerSecond);
        g.drawVerticalLine (x, (float) (plotArea.getBottom() + 1), (float) (plotArea.getBottom() + 1 + tickLength));
        g.drawText (shortNumber (seconds), x - labelWidth / 2, labelTop, labelWidth, 14, juce::Justification::centred);
    }
}

void SonogramImage::drawColourScale (juce::Graphics& g) const
{
    constexpr int gap = 18;
    constexpr int barWidth = 14;
    constexpr int labelHeight = 12;
    const auto bar = plotArea.withX (plotArea.getRight() + gap).withWidth (barWidth);

    for (int y = bar.getY(); y < bar.getBottom(); ++y)
    {
        const auto proportion = (float) (bar.getBottom() - 1 - y) / (float) std::max (1, bar.getHeight() - 1);
        g.setColour (getColourForLevel (juce::jmap (proportion, minimumDecibels, maximumDecibels)));
        g.fillRect (bar.getX(), y, bar.getWidth(), 1);
    }

    g.setColour (frameColour);
    g.drawRect (bar.expanded (1), 1);

    g.setColour (textColour);
    g.setFont (labelFont (11.0f));

    for (auto decibels = minimumDecibels; decibels <= maximumDecibels; decibels += 20.0f)
    {
        const auto proportion = (decibels - minimumDecibels) / (maximumDecibels - minimumDecibels);
        const auto y = juce::roundToInt ((float) bar.getBottom() - 1.0f - proportion * (float) (bar.getHeight() - 1));
        g.drawHorizontalLine (y, (float) (bar.getRight() + 1), (float) (bar.getRight() + 1 + tickLength));
        g.drawText (juce::String (juce::roundToInt (decibels)), bar.getRight() + tickLength + 4, y - labelHeight / 2,
                    width - bar.getRight(), labelHeight, juce::Justification::centredLeft);
    }

    g.drawText ("dB", bar.getX() - 10, plotArea.getY() - labelHeight - 8, barWidth + 20, labelHeight,
                juce::Justification::centred);
}
