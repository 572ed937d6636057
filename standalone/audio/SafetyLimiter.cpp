#include "SafetyLimiter.h"

#include <algorithm>
#include <cmath>

void SafetyLimiter::prepare (double sampleRate, int numChannels)
{
    lookAhead = std::max (1, (int) std::lround (lookAheadSeconds * sampleRate));
    preparedChannels = std::max (0, numChannels);
    releaseCoefficient = (float) (1.0 - std::exp (-1.0 / (releaseSeconds * sampleRate)));

    delayLines.assign ((size_t) preparedChannels, std::vector<float> ((size_t) std::max (1, lookAhead - 1), 0.0f));
    minimumGains.assign ((size_t) lookAhead, 1.0f);
    minimumFrames.assign ((size_t) lookAhead, 0);
    reductions.assign ((size_t) lookAhead, 0.0f);
    reset();
}

void SafetyLimiter::reset() noexcept
{
    for (auto& line : delayLines)
        std::fill (line.begin(), line.end(), 0.0f);

    std::fill (reductions.begin(), reductions.end(), 0.0f);
    delayPosition = 0;
    minimumFront = minimumCount = 0;
    frame = 0;
    releasedGain = 1.0f;
    reductionPosition = 0;
    nonZeroReductions = 0;
    reductionSum = 0.0;
}

float SafetyLimiter::requiredGain (float* const* channels, int numChannels, int sample) const noexcept
{
    auto peak = 0.0f;

    for (int channel = 0; channel < numChannels; ++channel)
        peak = std::max (peak, std::abs (channels[channel][sample]));

    return peak > ceiling ? ceiling / peak : 1.0f;
}

float SafetyLimiter::pushHeldGain (float gain) noexcept
{
    const auto capacity = lookAhead;

    // Candidates older than the look-ahead leave from the front...
    while (minimumCount > 0 && minimumFrames[(size_t) minimumFront] <= frame - lookAhead)
    {
        minimumFront = (minimumFront + 1) % capacity;
        --minimumCount;
    }

    // ...and a new gain makes every larger candidate before it useless.
    while (minimumCount > 0 && minimumGains[(size_t) ((minimumFront + minimumCount - 1) % capacity)] >= gain)
        --minimumCount;

    const auto slot = (minimumFront + minimumCount) % capacity;
    minimumGains[(size_t) slot] = gain;
    minimumFrames[(size_t) slot] = frame;
    ++minimumCount;

    return minimumGains[(size_t) minimumFront];
}

float SafetyLimiter::pushSmoothedReduction (float reduction) noexcept
{
    auto& oldest = reductions[(size_t) reductionPosition];
    nonZeroReductions += (reduction > 0.0f ? 1 : 0) - (oldest > 0.0f ? 1 : 0);
    reductionSum += (double) reduction - (double) oldest;
    oldest = reduction;
    reductionPosition = (reductionPosition + 1) % lookAhead;

    if (nonZeroReductions == 0)
        reductionSum = 0.0;

    return (float) (reductionSum / lookAhead);
}

void SafetyLimiter::process (float* const* channels, int numChannels, int numSamples) noexcept
{
    numChannels = std::min (numChannels, preparedChannels);

    if (numChannels <= 0)
        return;

    const auto delay = lookAhead - 1;

    for (int sample = 0; sample < numSamples; ++sample)
    {
        // A sample that is not a number would poison the gain; it is silenced instead.
        for (int channel = 0; channel < numChannels; ++channel)
            if (! std::isfinite (channels[channel][sample]))
                channels[channel][sample] = 0.0f;

        // Each gain is the lowest that any peak within the look-ahead asks for, released slowly;
        // the average over the look-ahead then ramps smoothly down to it before the peak leaves
        // the delay line, and never lies above what that peak needs.
        const auto held = pushHeldGain (requiredGain (channels, numChannels, sample));
        ++frame;

        releasedGain = held < releasedGain ? held : releasedGain + (held - releasedGain) * releaseCoefficient;

        if (held >= 1.0f && releasedGain > 0.99999f)
            releasedGain = 1.0f;

        const auto gain = 1.0f - pushSmoothedReduction (1.0f - releasedGain);

        for (int channel = 0; channel < numChannels; ++channel)
        {
            auto& x = channels[channel][sample];
            auto delayed = x;

            if (delay > 0)
            {
                auto& slot = delayLines[(size_t) channel][(size_t) delayPosition];
                delayed = slot;
                slot = x;
            }

            x = nonZeroReductions == 0 ? delayed : delayed * gain;
        }

        if (delay > 0)
            delayPosition = (delayPosition + 1) % delay;
    }
}
