#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>

/** Knows when the reverb's work may be left out.

    While the reverb's memory holds only zeros and its gain smoothing has settled, a silent block
    passes through it unchanged: silence in, silence out, nothing inside moves that matters (the
    delay lines' write positions are irrelevant while every line holds zeros). Skipping it then
    changes no output sample.

    A tail never reaches zero: the reverb rounds its memory to a fine grid against denormals, and
    what is left circulates for ever as a faint noise. Once the output has stayed below half a
    step of 24-bit audio for half a second, at a reverb level high enough to show what is inside,
    the tracker asks for the memory to be cleared; from then on silence is free again. At most
    reverb levels the noise stays above that, and the reverb keeps running.

    It follows juce::dsp::Reverb's workings: prepare and reset clear every delay line, and the
    gains glide for 10 ms of processed samples after a change of settings. */
class ReverbIdleTracker
{
public:
    /** Below this the tail counts as ended: 2^-24, half a step of 24-bit audio. The noise a tail
        leaves wanders; judged against half a step, what is cleared stays under a whole step. */
    static constexpr float tailThreshold = 1.0f / 16777216.0f;

    /** How long the tail must stay below the threshold. */
    static constexpr double tailQuietSeconds = 0.5;

    /** The least reverb level at which the output reveals the tail; below it, the wet gain could
        hide a tail that a later, higher level would bring back. */
    static constexpr float minimumRevealingLevel = 0.01f;

    explicit ReverbIdleTracker (double sampleRate) noexcept
    {
        prepared (sampleRate);
    }

    /** The reverb was prepared: its memory is clear and its gains have jumped to their targets. */
    void prepared (double sampleRate) noexcept
    {
        // Rounded up, where the reverb rounds down: never judged settled too early.
        settlingSamples = (int) std::ceil (0.01 * sampleRate);
        tailQuietSamples = (int) std::ceil (tailQuietSeconds * sampleRate);
        samplesSinceChange = settlingSamples;
        cleared();
    }

    /** The reverb's memory was cleared. */
    void cleared() noexcept
    {
        silent = true;
        rightSideSilent = true;
        quietSamples = 0;
    }

    /** Settings were handed to the reverb, changed or not. */
    void settingsHandedOver (bool changed) noexcept
    {
        if (changed)
            samplesSinceChange = 0;
    }

    /** True when running the reverb over this block would leave both the block and the reverb
        exactly as they are. */
    bool canSkip (bool inputIsSilent) const noexcept
    {
        return inputIsSilent && silent && isSettled();
    }

    /** Called after the reverb has run over a block. Returns true when the tail has ended and
        the reverb's memory should be cleared. */
    bool processed (const juce::AudioBuffer<float>& output, bool inputWasSilent, float reverbLevel) noexcept
    {
        const auto numChannels = output.getNumChannels();
        const auto numSamples = output.getNumSamples();
        const auto wasSettled = isSettled();

        samplesSinceChange = std::min (settlingSamples, samplesSinceChange + std::min (numSamples, settlingSamples));

        // Silence through a silent memory leaves it silent; the mono path never touches the
        // right side.
        if (! (inputWasSilent && silent) && numChannels == 2)
            rightSideSilent = false;

        silent = silent && inputWasSilent;

        if (silent)
            return false;

        if (numChannels != quietChannels)
        {
            quietChannels = numChannels;
            quietSamples = 0;
        }

        // The mono output shows only the left side, so a right side that rang in an earlier
        // stereo block keeps its tail.
        const auto watching = inputWasSilent
                           && wasSettled
                           && reverbLevel >= minimumRevealingLevel
                           && (numChannels == 2 || rightSideSilent);

        if (! watching || ! isBelowThreshold (output))
        {
            quietSamples = 0;
            return false;
        }

        quietSamples = std::min (tailQuietSamples, quietSamples + std::min (numSamples, tailQuietSamples));
        return quietSamples >= tailQuietSamples;
    }

    /** True while the reverb's memory is known to hold only zeros. */
    bool isSilent() const noexcept     { return silent; }

private:
    bool isSettled() const noexcept    { return samplesSinceChange >= settlingSamples; }

    static bool isBelowThreshold (const juce::AudioBuffer<float>& output) noexcept
    {
        for (int channel = 0; channel < output.getNumChannels(); ++channel)
            if (! (output.getMagnitude (channel, 0, output.getNumSamples()) < tailThreshold))
                return false;

        return true;
    }

    int settlingSamples = 0, tailQuietSamples = 0;
    int samplesSinceChange = 0;
    int quietSamples = 0;
    int quietChannels = 0;
    bool silent = true, rightSideSilent = true;
};
