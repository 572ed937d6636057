#pragma once

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <cmath>
#include <vector>

/** What a listener measures in a take (one channel at 48 kHz or any other rate): how loud a note
    is, how much high-frequency energy a moment holds, where a sound begins. */
namespace warble::test::Listening
{
    inline double toDecibels (double amplitude)
    {
        return 20.0 * std::log10 (std::max (amplitude, 1.0e-12));
    }

    inline double noteFrequency (int note)
    {
        return 440.0 * std::pow (2.0, (note - 69) / 12.0);
    }

    /** The level, in dB against a full-scale sine, of one note's fundamental between two times:
        a Hann-windowed Fourier coefficient at the note's frequency. */
    inline double noteLevel (const std::vector<float>& take, double rate, double fromSeconds, double toSeconds, int note)
    {
        const auto start = (size_t) std::llround (fromSeconds * rate);
        const auto end = std::min (take.size(), (size_t) std::llround (toSeconds * rate));
        const auto length = end > start ? end - start : 0;
        const auto step = juce::MathConstants<double>::twoPi * noteFrequency (note) / rate;

        double real = 0.0, imaginary = 0.0, windowSum = 0.0;

        for (size_t i = 0; i < length; ++i)
        {
            const auto window = 0.5 - 0.5 * std::cos (juce::MathConstants<double>::twoPi * (double) i / (double) (length - 1));
            const auto x = window * (double) take[start + i];
            real += x * std::cos (step * (double) i);
            imaginary -= x * std::sin (step * (double) i);
            windowSum += window;
        }

        return windowSum > 0.0 ? toDecibels (2.0 * std::hypot (real, imaginary) / windowSum) : toDecibels (0.0);
    }

    /** The take above 6 kHz (two second-order high-pass sections, so that the steady sound of a
        low-passed voice leaves little there and a click stands out), measured as the level of
        1 ms windows in dBFS: the mean square against that of a full-scale sine. */
    class HighBand
    {
    public:
        static constexpr double cutoffHz = 6000.0;

        HighBand (const std::vector<float>& take, double sampleRate)
            : rate (sampleRate)
        {
            const auto coefficients = juce::dsp::IIR::Coefficients<double>::makeHighPass (rate, cutoffHz);
            juce::dsp::IIR::Filter<double> first (coefficients), second (coefficients);

            // Running sums of the squared signal, so that any window's energy is one difference.
            cumulativeEnergy.reserve (take.size() + 1);
            cumulativeEnergy.push_back (0.0);

            for (const auto sample : take)
            {
                const auto high = second.processSample (first.processSample ((double) sample));
                cumulativeEnergy.push_back (cumulativeEnergy.back() + high * high);
            }
        }

        /** The level of the 1 ms that starts at a sample. */
        double windowLevel (int startSample) const
        {
            const auto begin = (size_t) std::clamp (startSample, 0, (int) cumulativeEnergy.size() - 1);
            const auto end = std::min (cumulativeEnergy.size() - 1, begin + windowLength());
            const auto meanSquare = (cumulativeEnergy[end] - cumulativeEnergy[begin]) / (double) windowLength();
            return 10.0 * std::log10 (std::max (meanSquare / 0.5, 1.0e-30));
        }

        /** The loudest 1 ms window that lies between two times. */
        double loudestWindow (double fromSeconds, double toSeconds) const
        {
            auto loudest = -300.0;
            const auto last = (int) std::llround (toSeconds * rate) - (int) windowLength();

            for (auto start = (int) std::llround (fromSeconds * rate); start <= last; ++start)
                loudest = std::max (loudest, windowLevel (start));

            return loudest;
        }

    private:
        size_t windowLength() const    { return (size_t) std::llround (rate * 0.001); }

        double rate;
        std::vector<double> cumulativeEnergy;
    };

    /** The first sample from one position up to another that is not exactly zero, or -1. */
    inline int firstSound (const std::vector<float>& take, int from, int to)
    {
        for (auto i = std::max (from, 0); i < std::min (to, (int) take.size()); ++i)
            if (take[(size_t) i] != 0.0f)
                return i;

        return -1;
    }
}
