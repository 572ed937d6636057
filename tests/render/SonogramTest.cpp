#include "output/Sonogram.h"
#include "output/SonogramImage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
    /** A steady sine in the chosen channels, silent before startSample. At the Nyquist frequency
        it is the wave that alternates between +amplitude and -amplitude. */
    juce::AudioBuffer<float> tone (int numChannels, int numSamples, double sampleRate, double frequency,
                                   float amplitude, std::initializer_list<int> soundingChannels, int startSample = 0)
    {
        juce::AudioBuffer<float> audio (numChannels, numSamples);
        audio.clear();

        for (const auto channel : soundingChannels)
            for (int i = startSample; i < numSamples; ++i)
                audio.setSample (channel, i, amplitude * (float) std::cos (juce::MathConstants<double>::twoPi
                                                                           * frequency * i / sampleRate));

        return audio;
    }

    juce::AudioBuffer<float> monoTone (int numSamples, double sampleRate, double frequency, float amplitude,
                                       int startSample = 0)
    {
        return tone (1, numSamples, sampleRate, frequency, amplitude, { 0 }, startSample);
    }

    /** The whole buffer through a sonogram, in blocks as a render delivers them. */
    Sonogram analyse (const juce::AudioBuffer<float>& audio, double sampleRate, int maxColumns, int blockSize = 512)
    {
        Sonogram sonogram (sampleRate, audio.getNumSamples(), maxColumns);

        for (int start = 0; start < audio.getNumSamples(); start += blockSize)
        {
            const auto length = std::min (blockSize, audio.getNumSamples() - start);
            juce::AudioBuffer<float> block (audio.getNumChannels(), length);

            for (int channel = 0; channel < audio.getNumChannels(); ++channel)
                block.copyFrom (channel, 0, audio, channel, start, length);

            sonogram.addBlock (block);
        }

        sonogram.finish();
        return sonogram;
    }

    int binOf (double frequency, double sampleRate)
    {
        return (int) std::lround (frequency * Sonogram::windowSize / sampleRate);
    }

    /** The loudest level in a column between two frequencies. */
    float loudestBetween (const Sonogram& sonogram, int column, double lowFrequency, double highFrequency)
    {
        auto loudest = Sonogram::floorDecibels;

        for (int bin = 0; bin < Sonogram::numBins; ++bin)
            if (sonogram.getBinFrequency (bin) >= lowFrequency && sonogram.getBinFrequency (bin) <= highFrequency)
                loudest = std::max (loudest, sonogram.getLevelDecibels (column, bin));

        return loudest;
    }

    // How far from a steady tone the Hann window's leakage falls below -120 dB.
    constexpr double darkDistance = 3000.0;

    /** The row of the plot where a frequency belongs on the mel scale, 2595 log10 (1 + f / 700),
        with 0 Hz on the plot's bottom edge and the Nyquist frequency on its top edge. */
    double melRow (juce::Rectangle<int> plot, double frequency, double sampleRate)
    {
        const auto mel = [] (double hz) { return 2595.0 * std::log10 (1.0 + hz / 700.0); };
        return plot.getBottom() - mel (std::max (0.0, frequency)) / mel (sampleRate / 2.0) * plot.getHeight();
    }

    float brightness (juce::Colour colour)
    {
        return colour.getPerceivedBrightness();
    }
}

struct ToneCase
{
    const char* description;
    double sampleRate;
    double frequency;
    float amplitude;
    // A Hann window loses up to 1.42 dB on a tone that falls between two bins.
    float tolerance;
};

TEST (Sonogram, MeasuresAToneAtItsFrequencyAndLevel)
{
    const ToneCase cases[] = {
        { "on a bin", 48000.0, 1500.0, 0.5f, 0.01f },
        { "between bins", 44100.0, 440.0, 0.5f, 1.5f },
        { "full scale", 48000.0, 3000.0, 1.0f, 0.01f },
        { "at the Nyquist frequency", 48000.0, 24000.0, 0.25f, 0.01f },
        { "at a low rate's Nyquist frequency", 16000.0, 8000.0, 0.5f, 0.01f },
    };

    for (const auto& toneCase : cases)
    {
        SCOPED_TRACE (toneCase.description);
        const auto rate = toneCase.sampleRate;
        const auto sonogram = analyse (monoTone ((int) rate, rate, toneCase.frequency, toneCase.amplitude), rate, 50);
        const auto middle = sonogram.getNumColumns() / 2;
        const auto expected = juce::Decibels::gainToDecibels (toneCase.amplitude);

        EXPECT_NEAR (loudestBetween (sonogram, middle, toneCase.frequency - 50.0, toneCase.frequency + 50.0),
                     expected, toneCase.tolerance);

        // Far from the tone, the window's leakage is lost below the picture's darkest level.
        EXPECT_LT (loudestBetween (sonogram, middle, 0.0, toneCase.frequency - darkDistance),
                   SonogramImage::minimumDecibels);
        EXPECT_LT (loudestBetween (sonogram, middle, toneCase.frequency + darkDistance, rate / 2.0),
                   SonogramImage::minimumDecibels);
    }
}

TEST (Sonogram, AnalysesTheMixOfTheChannels)
{
    constexpr double rate = 48000.0;
    const auto bin = binOf (1500.0, rate);

    const auto levelOf = [&] (const juce::AudioBuffer<float>& audio)
    {
        const auto sonogram = analyse (audio, rate, 10);
        return sonogram.getLevelDecibels (5, bin);
    };

    EXPECT_NEAR (levelOf (tone (1, 24000, rate, 1500.0, 0.5f, { 0 })), -6.02f, 0.01f);
    EXPECT_NEAR (levelOf (tone (2, 24000, rate, 1500.0, 0.5f, { 0, 1 })), -6.02f, 0.01f);
    EXPECT_NEAR (levelOf (tone (2, 24000, rate, 1500.0, 0.5f, { 1 })), -12.04f, 0.01f);
}

TEST (Sonogram, PlacesSoundInItsColumn)
{
    // Two seconds in 100 columns of 20 ms; the tone starts at one second. A window is 43 ms
    // long: the last silent window is column 48's, the first wholly in the tone column 51's.
    constexpr double rate = 48000.0;
    const auto sonogram = analyse (monoTone (96000, rate, 1500.0, 0.5f, 48000), rate, 100);
    const auto bin = binOf (1500.0, rate);

    ASSERT_EQ (sonogram.getNumColumns(), 100);

    for (int column = 0; column <= 48; ++column)
        EXPECT_LT (sonogram.getLevelDecibels (column, bin), SonogramImage::minimumDecibels) << column;

    for (int column = 51; column < 99; ++column)
        EXPECT_NEAR (sonogram.getLevelDecibels (column, bin), -6.02f, 0.05f) << column;
}

TEST (Sonogram, GivesTheSameLevelsWhateverTheBlockSize)
{
    constexpr double rate = 44100.0;
    auto audio = tone (2, 30000, rate, 440.0, 0.3f, { 0 });
    audio.addFrom (1, 0, tone (1, 30000, rate, 5000.0, 0.1f, { 0 }, 12345), 0, 0, 30000);
    const auto reference = analyse (audio, rate, 64, 30000);

    for (const auto blockSize : { 1, 7, 512, 4096 })
    {
        const auto sonogram = analyse (audio, rate, 64, blockSize);
        ASSERT_EQ (sonogram.getNumColumns(), reference.getNumColumns());

        for (int column = 0; column < reference.getNumColumns(); ++column)
            for (int bin = 0; bin < Sonogram::numBins; ++bin)
                ASSERT_EQ (sonogram.getLevelDecibels (column, bin), reference.getLevelDecibels (column, bin))
                    << "block size " << blockSize << ", column " << column << ", bin " << bin;
    }
}

TEST (Sonogram, KeepsAtMostItsColumnsWhateverTheLength)
{
    EXPECT_EQ (Sonogram (48000.0, 0, 1000).getNumColumns(), 0);
    EXPECT_EQ (Sonogram (48000.0, 300, 1000).getNumColumns(), 300);
    EXPECT_EQ (Sonogram (48000.0, 1000, 1000).getNumColumns(), 1000);
    EXPECT_EQ (Sonogram (384000.0, (juce::int64) 384000 * 3600, 1000).getNumColumns(), 1000);
}

TEST (Sonogram, ShowsABriefSoundInALongRender)
{
    // Ten minutes in 500 columns of 1.2 s: a 50 ms blip falls between far more samples than
    // one window holds, and must still show in its column.
    constexpr double rate = 48000.0;
    constexpr juce::int64 length = 600 * 48000;
    constexpr juce::int64 blipStart = 437 * 48000 + 12345;
    constexpr int blockSize = 4800;
    Sonogram sonogram (rate, length, 500);
    const auto blip = monoTone (2400, rate, 3000.0, 1.0f);
    juce::AudioBuffer<float> block (1, blockSize);

    for (juce::int64 start = 0; start < length; start += blockSize)
    {
        block.clear();

        for (int i = 0; i < blockSize; ++i)
            if (const auto offset = start + i - blipStart; offset >= 0 && offset < blip.getNumSamples())
                block.setSample (0, i, blip.getSample (0, (int) offset));

        sonogram.addBlock (block);
    }

    sonogram.finish();
    const auto blipColumn = (int) (blipStart * 500 / length);
    const auto bin = binOf (3000.0, rate);

    // 50 ms of a full-scale tone in a 1.2 s column: a mean power some 14 dB below the tone's.
    EXPECT_GT (sonogram.getLevelDecibels (blipColumn, bin), -20.0f);
    EXPECT_LT (sonogram.getLevelDecibels (blipColumn, bin), -10.0f);
    EXPECT_LT (sonogram.getLevelDecibels (blipColumn - 2, bin), SonogramImage::minimumDecibels);
    EXPECT_LT (sonogram.getLevelDecibels (blipColumn + 2, bin), SonogramImage::minimumDecibels);
}

TEST (SonogramImage, IsTheSizeAskedFor)
{
    const auto sonogram = analyse (monoTone (48000, 48000.0, 1000.0, 0.5f), 48000.0, 200);

    for (const auto& [width, height] : { std::pair { SonogramImage::defaultWidth, SonogramImage::defaultHeight },
                                         std::pair { 640, 320 } })
    {
        const SonogramImage picture (width, height);
        const auto image = picture.draw (sonogram, "tone");

        EXPECT_EQ (image.getWidth(), width);
        EXPECT_EQ (image.getHeight(), height);
        EXPECT_TRUE (image.getBounds().contains (picture.getPlotArea().expanded (1)));
        EXPECT_GT (picture.getPlotArea().getWidth(), width * 3 / 4);
        EXPECT_GT (picture.getPlotArea().getHeight(), height * 3 / 4);
    }

    EXPECT_EQ (SonogramImage::defaultWidth, 1200);
    EXPECT_EQ (SonogramImage::defaultHeight, 600);
}

TEST (SonogramImage, AToneIsBrightInItsRowAndEmptyBandsDark)
{
    // The Nyquist cases are the ones that matter most: a filter ringing there must be seen.
    const struct
    {
        const char* description;
        double sampleRate;
        double frequency;
    } cases[] = {
        { "1 kHz", 48000.0, 1000.0 },
        { "A4 at 44.1 kHz", 44100.0, 440.0 },
        { "12 kHz", 48000.0, 12000.0 },
        { "at the Nyquist frequency", 48000.0, 24000.0 },
        { "at 44.1 kHz's Nyquist frequency", 44100.0, 22050.0 },
        { "at 16 kHz's Nyquist frequency", 16000.0, 8000.0 },
    };

    const SonogramImage picture;
    const auto plot = picture.getPlotArea();
    const auto bright = brightness (picture.getColourForLevel (-12.0f));
    const auto dark = brightness (picture.getColourForLevel (-100.0f));

    for (const auto& toneCase : cases)
    {
        SCOPED_TRACE (toneCase.description);
        const auto rate = toneCase.sampleRate;
        const auto sonogram = analyse (monoTone ((int) rate * 2, rate, toneCase.frequency, 0.5f),
                                          rate, plot.getWidth());
        const auto image = picture.draw (sonogram, "tone");

        const auto toneRow = std::min (plot.getBottom() - 1, (int) melRow (plot, toneCase.frequency, rate));
        const auto lowEdgeRow = toneCase.frequency > darkDistance
                                    ? (int) melRow (plot, toneCase.frequency - darkDistance, rate)
                                    : plot.getBottom();
        const auto highEdgeRow = (int) melRow (plot, toneCase.frequency + darkDistance, rate);

        // Away from the ends, where the tone starts and stops abruptly and splashes every band.
        for (const auto x : { plot.getX() + plot.getWidth() / 4, plot.getCentreX(), plot.getRight() - plot.getWidth() / 4 })
        {
            EXPECT_GE (brightness (image.getPixelAt (x, toneRow)), bright) << "x " << x;

            for (int y = plot.getY(); y < plot.getBottom(); ++y)
                if (y > lowEdgeRow || y < highEdgeRow)
                    ASSERT_LE (brightness (image.getPixelAt (x, y)), dark) << "x " << x << ", y " << y;
        }
    }
}

TEST (SonogramImage, ShowsNothingForAnEmptyRender)
{
    Sonogram sonogram (48000.0, 0, 100);
    sonogram.finish();
    const SonogramImage picture (400, 300);
    const auto image = picture.draw (sonogram, "empty");
    const auto plot = picture.getPlotArea();

    EXPECT_EQ (image.getWidth(), 400);
    EXPECT_EQ (image.getHeight(), 300);
    EXPECT_EQ (image.getPixelAt (plot.getCentreX(), plot.getCentreY()),
               picture.getColourForLevel (SonogramImage::minimumDecibels));
}
