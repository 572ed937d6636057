#include "Sonogram.h"

#include <algorithm>
#include <cmath>

namespace
{
    int countColumns (juce::int64 totalSamples, int maxColumns)
    {
        return (int) std::clamp<juce::int64> (totalSamples, 0, std::max (0, maxColumns));
    }

    // Hann windows half a window apart add up to a constant, so every sample of a column weighs
    // the same in its mean.
    int countTransformsPerColumn (juce::int64 totalSamples, int numColumns)
    {
        if (numColumns == 0)
            return 0;

        const auto span = (double) totalSamples / numColumns;
        return std::max (1, (int) std::ceil (span / (Sonogram::windowSize / 2)));
    }
}

Sonogram::Sonogram (double rate, juce::int64 samples, int maxColumns)
    : sampleRate (rate),
      totalSamples (std::max<juce::int64> (0, samples)),
      numColumns (countColumns (totalSamples, maxColumns)),
      transformsPerColumn (countTransformsPerColumn (totalSamples, numColumns)),
      numTransforms ((juce::int64) numColumns * transformsPerColumn),
      window ((size_t) windowSize),
      binScale ((size_t) numBins),
      history ((size_t) windowSize, 0.0f),
      fftData ((size_t) windowSize * 2),
      columnPower ((size_t) numColumns * numBins, 0.0f)
{
    // The periodic Hann window, whose coefficients sum to windowSize / 2.
    for (int i = 0; i < windowSize; ++i)
        window[(size_t) i] = 0.5f - 0.5f * std::cos (juce::MathConstants<float>::twoPi * (float) i / windowSize);

    // A sine of amplitude a puts a·N/4 into its bin through this window; at 0 Hz and at the
    // Nyquist frequency, where the wave has no mirror image, it puts a·N/2. These scales turn
    // power into the square of that amplitude.
    const auto windowSum = windowSize / 2.0f;

    for (int bin = 0; bin < numBins; ++bin)
    {
        const auto edge = bin == 0 || bin == numBins - 1;
        binScale[(size_t) bin] = juce::square ((edge ? 1.0f : 2.0f) / windowSum);
    }

    if (numTransforms > 0)
        nextTransformEnd = getTransformEnd (0);
}

juce::int64 Sonogram::getTransformEnd (juce::int64 transform) const noexcept
{
    const auto column = transform / transformsPerColumn;
    const auto withinColumn = transform % transformsPerColumn;
    const auto span = (double) totalSamples / numColumns;
    const auto centre = ((double) column + ((double) withinColumn + 0.5) / transformsPerColumn) * span;
    return (juce::int64) std::floor (centre) + windowSize / 2;
}

void Sonogram::addBlock (const juce::AudioBuffer<float>& block)
{
    const auto numChannels = block.getNumChannels();
    const auto numSamples = block.getNumSamples();
    mix.resize ((size_t) numSamples);
    juce::FloatVectorOperations::clear (mix.data(), numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        juce::FloatVectorOperations::addWithMultiply (mix.data(), block.getReadPointer (channel),
                                                      1.0f / (float) numChannels, numSamples);

    // The history is pushed up to the end of each transform in turn, which is analysed there.
    for (int done = 0; done < numSamples;)
    {
        auto chunk = numSamples - done;

        if (nextTransform < numTransforms)
            chunk = (int) std::min<juce::int64> (chunk, nextTransformEnd - samplesReceived);

        push (mix.data() + done, chunk);
        done += chunk;
        analyseCompleteTransforms();
    }
}

void Sonogram::finish()
{
    while (nextTransform < numTransforms)
    {
        pushSilence (nextTransformEnd - samplesReceived);
        analyseCompleteTransforms();
    }
}

void Sonogram::push (const float* samples, int numSamples) noexcept
{
    samplesReceived += numSamples;

    // Only the latest windowSize samples are kept.
    if (numSamples > windowSize)
    {
        samples += numSamples - windowSize;
        numSamples = windowSize;
    }

    const auto firstPart = std::min (numSamples, windowSize - writeIndex);
    std::copy (samples, samples + firstPart, history.begin() + writeIndex);
    std::copy (samples + firstPart, samples + numSamples, history.begin());
    writeIndex = (writeIndex + numSamples) % windowSize;
}

void Sonogram::pushSilence (juce::int64 numSamples) noexcept
{
    samplesReceived += numSamples;

    for (juce::int64 i = 0; i < std::min<juce::int64> (numSamples, windowSize); ++i)
    {
        history[(size_t) writeIndex] = 0.0f;
        writeIndex = (writeIndex + 1) % windowSize;
    }
}

void Sonogram::analyseCompleteTransforms()
{
    while (nextTransform < numTransforms && nextTransformEnd <= samplesReceived)
    {
        // The history, oldest sample first, is the window that ends here.
        const auto olderPart = history.begin() + writeIndex;
        std::copy (olderPart, history.end(), fftData.begin());
        std::copy (history.begin(), olderPart, fftData.begin() + (windowSize - writeIndex));
        juce::FloatVectorOperations::multiply (fftData.data(), window.data(), windowSize);
        std::fill (fftData.begin() + windowSize, fftData.end(), 0.0f);

        fft.performRealOnlyForwardTransform (fftData.data(), true);

        auto* power = columnPower.data() + (nextTransform / transformsPerColumn) * numBins;
        const auto share = 1.0f / (float) transformsPerColumn;

        for (int bin = 0; bin < numBins; ++bin)
        {
            const auto re = fftData[(size_t) bin * 2];
            const auto im = fftData[(size_t) bin * 2 + 1];
            power[bin] += (re * re + im * im) * binScale[(size_t) bin] * share;
        }

        if (++nextTransform < numTransforms)
            nextTransformEnd = getTransformEnd (nextTransform);
    }
}

float Sonogram::getLevelDecibels (int column, int bin) const noexcept
{
    jassert (juce::isPositiveAndBelow (column, numColumns) && juce::isPositiveAndBelow (bin, numBins));
    const auto power = columnPower[(size_t) column * numBins + (size_t) bin];
    return std::max (floorDecibels, 10.0f * std::log10 (std::max (power, 1.0e-30f)));
}
