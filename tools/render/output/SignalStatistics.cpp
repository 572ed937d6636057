#include "SignalStatistics.h"

#include <cmath>

void SignalStatistics::addBlock (juce::AudioBuffer<float>& block) noexcept
{
    for (int channel = 0; channel < block.getNumChannels(); ++channel)
    {
        auto* samples = block.getWritePointer (channel);

        for (int i = 0; i < block.getNumSamples(); ++i)
        {
            if (! std::isfinite (samples[i]))
            {
                samples[i] = 0.0f;
                ++numNonFinite;
            }

            peak = std::max (peak, std::abs (samples[i]));
            sumOfSquares += (double) samples[i] * samples[i];
        }
    }

    numSamples += (juce::int64) block.getNumChannels() * block.getNumSamples();
}

float SignalStatistics::getPeak() const noexcept
{
    return peak;
}

double SignalStatistics::getRms() const noexcept
{
    return numSamples > 0 ? std::sqrt (sumOfSquares / (double) numSamples) : 0.0;
}

juce::int64 SignalStatistics::getNumNonFiniteSamples() const noexcept
{
    return numNonFinite;
}

juce::String SignalStatistics::toDecibelText (double level)
{
    if (level <= 0.0)
        return "-inf dBFS";

    return juce::String (20.0 * std::log10 (level), 1) + " dBFS";
}
