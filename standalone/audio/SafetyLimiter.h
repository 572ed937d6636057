#pragma once

#include <vector>

/** A look-ahead peak limiter for the application's output, so that a sound card never clips.

    The instrument's reverb follows its soft clipper, so a loud chord can leave the processor well
    above full scale. This limiter holds every sample within the ceiling without clipping: it
    looks a short way ahead (1.5 ms), lowers the gain smoothly before a peak arrives, and lets it
    recover over about 80 ms. The channels share one gain, so the stereo image stays put.

    A signal that never comes near the ceiling passes unchanged, bit for bit, only delayed by the
    look-ahead: the gain is exactly 1 whenever no sample within reach needs limiting.

    prepare() allocates; process() allocates nothing, takes no lock and never throws. */
class SafetyLimiter
{
public:
    /** The largest magnitude the output ever reaches. */
    static constexpr float ceiling = 0.999f;
    static constexpr double lookAheadSeconds = 0.0015;
    static constexpr double releaseSeconds = 0.08;

    void prepare (double sampleRate, int numChannels);
    void reset() noexcept;

    /** Limits the channels in place. Channels beyond those prepared are left untouched. */
    void process (float* const* channels, int numChannels, int numSamples) noexcept;

    /** How many samples the output lags the input. */
    int getLatencySamples() const noexcept  { return lookAhead - 1; }

private:
    float requiredGain (float* const* channels, int numChannels, int sample) const noexcept;
    float pushHeldGain (float gain) noexcept;
    float pushSmoothedReduction (float reduction) noexcept;

    int lookAhead = 1;
    int preparedChannels = 0;
    float releaseCoefficient = 0.0f;

    // The delayed samples, one ring of (lookAhead - 1) frames a channel.
    std::vector<std::vector<float>> delayLines;
    int delayPosition = 0;

    // Sliding minimum of the gains the recent peaks ask for, over lookAhead frames: a ring of
    // candidates whose gains increase from front to back.
    std::vector<float> minimumGains;
    std::vector<long long> minimumFrames;
    int minimumFront = 0, minimumCount = 0;
    long long frame = 0;

    float releasedGain = 1.0f;

    // Moving average of the gain reduction over lookAhead frames; the count of non-zero entries
    // lets the sum return to exactly zero, so an unlimited stretch gets a gain of exactly 1.
    std::vector<float> reductions;
    int reductionPosition = 0;
    int nonZeroReductions = 0;
    double reductionSum = 0.0;
};
