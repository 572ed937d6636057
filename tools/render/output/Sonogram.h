#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <vector>

/** The level of every frequency over the whole of a render of known length, gathered block by
    block. Time is divided into a fixed number of equal columns, so memory does not grow
    with the length of the render, and every column is the mean power of the Hann-windowed
    2048-point transforms centred within its span: one transform for a short render, several spread
    evenly across the span for a long one, so that no part of a long render goes unseen. The
    channels are analysed as their mix. */
class Sonogram
{
public:
    static constexpr int fftOrder = 11;
    static constexpr int windowSize = 1 << fftOrder;
    static constexpr int numBins = windowSize / 2 + 1;

    /** Levels are kept down to this floor; digital silence reads as the floor. */
    static constexpr float floorDecibels = -200.0f;

    /** Prepares maxColumns columns over totalSamples samples, or one per sample when the render
        is shorter than that. */
    Sonogram (double sampleRate, juce::int64 totalSamples, int maxColumns);

    /** Adds the next block of the render. */
    void addBlock (const juce::AudioBuffer<float>& block);

    /** Completes the transforms that reach past the end of the render (silence is assumed there).
        Call once, after the last block. */
    void finish();

    int getNumColumns() const noexcept { return numColumns; }
    double getSampleRate() const noexcept { return sampleRate; }
    juce::int64 getTotalSamples() const noexcept { return totalSamples; }
    double getBinFrequency (int bin) const noexcept { return bin * sampleRate / windowSize; }

    /** A bin's level in a column, in decibels relative to a full-scale sine at its frequency. */
    float getLevelDecibels (int column, int bin) const noexcept;

private:
    void push (const float* samples, int numSamples) noexcept;
    void pushSilence (juce::int64 numSamples) noexcept;
    void analyseCompleteTransforms();
    juce::int64 getTransformEnd (juce::int64 transform) const noexcept;

    const double sampleRate;
    const juce::int64 totalSamples;
    const int numColumns;
    const int transformsPerColumn;
    const juce::int64 numTransforms;

    juce::dsp::FFT fft { fftOrder };
    std::vector<float> window;
    std::vector<float> binScale;

    // The latest windowSize samples of the mix, oldest at writeIndex.
    std::vector<float> history;
    int writeIndex = 0;
    juce::int64 samplesReceived = 0;

    juce::int64 nextTransform = 0;
    juce::int64 nextTransformEnd = 0;
    std::vector<float> fftData;
    std::vector<float> mix;
    std::vector<float> columnPower;
};
