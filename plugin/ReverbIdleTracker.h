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
    what is left circulates for ever as a faint noise, around -120 dBFS at the default settings,
    that costs as much to compute as the loudest tail. Once no voice sounds and the output has
    stayed below -100 dBFS on every channel for half a second, the tracker asks for the memory to
    be cleared; from then on silence is free again, until the next voice sounds.

    What is cleared must stay inaudible even if the reverb is turned up afterwards, during the
    same silence, and would have shown the old tail louder. So the output is judged as the
    loudest wet level would show it: at a lower level the threshold is lower in proportion. A wet
    level of zero shows nothing of the tail; it comes with the smallest room, whose memory falls
    by more than 100 dB within three seconds even after the loudest playing, so there the tail
    counts as ended after a longer silence.

    It follows juce::dsp::Reverb's workings: prepare and reset clear every delay line, and the
    gains glide for 10 ms of processed samples after a change of settings. */
class ReverbIdleTracker
{
public:
    /** Below this the tail counts as ended: -100 dBFS, far under anything a listener can hear
        over the quietest playback chain. */
    static constexpr float tailThreshold = 1.0e-5f;

    /** How long the tail must stay below the threshold. */
    static constexpr double tailQuietSeconds = 0.5;

    /** How long the tail must have been silent behind a wet level of zero. */
    static constexpr double hiddenTailSeconds = 4.0;

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
        hiddenTailSamples = (int) std::ceil (hiddenTailSeconds * sampleRate);
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

    /** Called after the reverb has run over a block, with its wet level as a share (0 to 1) of
        the loudest one the instrument uses. Returns true when the tail has ended and the reverb's
        memory should be cleared. */
    bool processed (const juce::AudioBuffer<float>& output, bool inputWasSilent, float revealedShare) noexcept
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
                           && (numChannels == 2 || rightSideSilent);

        const auto hidden = ! (revealedShare > 0.0f);

        if (! watching || ! (hidden || isBelowThreshold (output, tailThreshold * std::min (revealedShare, 1.0f))))
        {
            quietSamples = 0;
            return false;
        }

        const auto required = hidden ? hiddenTailSamples : tailQuietSamples;
        quietSamples = std::min (required, quietSamples + std::min (numSamples, required));
        return quietSamples >= required;
    }

    /** True while the reverb's memory is known to hold only zeros. */
    bool isSilent() const noexcept     { return silent; }

private:
    bool isSettled() const noexcept    { return samplesSinceChange >= settlingSamples; }

    static bool isBelowThreshold (const juce::AudioBuffer<float>& output, float threshold) noexcept
    {
        for (int channel = 0; channel < output.getNumChannels(); ++channel)
            if (! (output.getMagnitude (channel, 0, output.getNumSamples()) < threshold))
                return false;

        return true;
    }

    int settlingSamples = 0, tailQuietSamples = 0, hiddenTailSamples = 0;
    int samplesSinceChange = 0;
    int quietSamples = 0;
    int quietChannels = 0;
    bool silent = true, rightSideSilent = true;
};
