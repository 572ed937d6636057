#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Peak and RMS level over everything rendered, all channels together. Samples that are not
    finite (NaN or infinity) are counted and replaced by silence, so that they never reach the
    file. */
class SignalStatistics
{
public:
    /** Measures a block, after replacing its non-finite samples by 0. */
    void addBlock (juce::AudioBuffer<float>& block) noexcept;

    float getPeak() const noexcept;
    double getRms() const noexcept;
    juce::int64 getNumNonFiniteSamples() const noexcept;

    /** A level in decibels relative to full scale, "-inf" for silence. */
    static juce::String toDecibelText (double level);

private:
    float peak = 0.0f;
    double sumOfSquares = 0.0;
    juce::int64 numSamples = 0;
    juce::int64 numNonFinite = 0;
};
