#pragma once

#include "support/Phrase.h"

#include <juce_dsp/juce_dsp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

// How the factory preset bank is heard: one phrase, and the measures taken of a take of it. Shared
// by the bank's renders through the processor in-process (seeded, so every figure is the same from
// run to run) and the glides heard through the built VST3.
namespace warble::test
{
    /** The phrase the bank is heard on: a melody of held notes (each key let go just after the
        next one is pressed, so that a legato preset glides between them) under a mod-wheel swell
        up and back, then a four-note chord with a note played on top of it. Played in stereo at
        48 kHz, in blocks of 512 samples. */
    struct BankPhrase
    {
        static constexpr double sampleRate = 48000.0;
        static constexpr int blockSize = 512;

        // The melody's leap of a fifth, held until the next note: a gliding preset is heard
        // passing through the pitches between the two.
        static constexpr int leapFrom = 57, leapTo = 64;
        static constexpr double leapStart = 0.6, leapEnd = 1.4;

        // The last keys are let go at 5.3 s; the take runs on through the release and the reverb.
        static constexpr double length = 5.3 + 1.5;

        static juce::MidiMessageSequence midi()
        {
            Phrase phrase;
            phrase.note (0.0, leapStart + 0.05, leapFrom)
                  .note (leapStart, leapEnd + 0.05, leapTo)
                  .note (leapEnd, 1.85, 62)
                  .note (1.8, 2.25, 60)
                  .note (2.2, 3.3, 69)
                  .wheelRamp (0.0, 2.4, 0, 127, 24)
                  .wheelRamp (2.4, 3.2, 127, 0, 8)
                  .chord (3.5, { 48, 55, 60, 64 })
                  .note (4.2, 5.3, 72);

            for (const auto note : { 48, 55, 60, 64 })
                phrase.noteOff (5.3, note);

            return phrase.getMidi();
        }
    };

    inline double decibels (double amplitude)
    {
        return 20.0 * std::log10 (std::max (amplitude, 1.0e-12));
    }

    /** Third-octave bands centred on 1 kHz · 2^(k/3), from 100 Hz (k = -10) to 12.7 kHz (k = 11). */
    constexpr int lowestBand = -10, numBands = 22;

    inline double bandCentreHz (int band)
    {
        return 1000.0 * std::pow (2.0, (lowestBand + band) / 3.0);
    }

    struct BankSound
    {
        double rms = 0.0;       // both channels, over the whole take
        float peak = 0.0f;
        double centroidHz = 0.0;

        // The level-matched spectrum: each third-octave band's share of the take's power.
        std::array<double, (size_t) numBands> bandShares {};
    };

    /** A take's RMS and peak over both channels, and from the mid signal its spectral centroid
        (the power-weighted mean frequency of the whole take) and its third-octave spectrum. */
    inline BankSound listenTo (const juce::AudioBuffer<float>& take)
    {
        constexpr int fftOrder = 13;
        constexpr int fftSize = 1 << fftOrder;
        constexpr auto rate = BankPhrase::sampleRate;

        std::vector<float> mono;
        double sumOfSquares = 0.0;
        BankSound sound;

        for (int i = 0; i < take.getNumSamples(); ++i)
        {
            for (int channel = 0; channel < 2; ++channel)
            {
                const auto sample = take.getSample (channel, i);
                sumOfSquares += (double) sample * sample;
                sound.peak = std::max (sound.peak, std::abs (sample));
            }

            mono.push_back (0.5f * (take.getSample (0, i) + take.getSample (1, i)));
        }

        sound.rms = std::sqrt (sumOfSquares / (2.0 * (double) mono.size()));

        juce::dsp::FFT fft (fftOrder);
        juce::dsp::WindowingFunction<float> window (fftSize, juce::dsp::WindowingFunction<float>::hann, false);
        std::vector<float> frame (2 * fftSize);
        std::vector<double> power (fftSize / 2 + 1, 0.0);

        for (size_t start = 0; start + fftSize <= mono.size(); start += fftSize / 2)
        {
            std::fill (frame.begin(), frame.end(), 0.0f);
            std::copy_n (mono.begin() + (std::ptrdiff_t) start, fftSize, frame.begin());
            window.multiplyWithWindowingTable (frame.data(), fftSize);
            fft.performFrequencyOnlyForwardTransform (frame.data());

            for (size_t bin = 1; bin < power.size(); ++bin)
                power[bin] += (double) frame[bin] * frame[bin];
        }

        double weightedFrequency = 0.0, totalPower = 0.0;

        for (size_t bin = 1; bin < power.size(); ++bin)
        {
            weightedFrequency += power[bin] * (double) bin * rate / fftSize;
            totalPower += power[bin];
        }

        if (totalPower <= 0.0)
            return sound;

        sound.centroidHz = weightedFrequency / totalPower;

        for (int band = 0; band < numBands; ++band)
        {
            const auto lowest = bandCentreHz (band) * std::pow (2.0, -1.0 / 6.0);
            const auto highest = bandCentreHz (band) * std::pow (2.0, 1.0 / 6.0);
            auto& share = sound.bandShares[(size_t) band];

            for (size_t bin = 1; bin < power.size(); ++bin)
                if (const auto hz = (double) bin * rate / fftSize; hz >= lowest && hz < highest)
                    share += power[bin] / totalPower;
        }

        return sound;
    }

    // A pitch frame, and its longest lag (60 Hz): the samples that one pitch reading looks at.
    constexpr size_t pitchFrameLength = 1024;

    inline size_t longestPitchLag (double rate)
    {
        return (size_t) (rate / 60.0);
    }

    /** The pitch of the frame starting at a sample, by the YIN method: the shortest lag at which
        the frame repeats itself closely, judged by the difference between the frame and itself
        that lag later, normalised by its mean over shorter lags. */
    inline double pitchAt (const std::vector<float>& take, size_t start, double rate)
    {
        const auto longestLag = longestPitchLag (rate);
        std::vector<double> normalised (longestLag + 1, 1.0);
        double runningSum = 0.0;

        for (size_t lag = 1; lag <= longestLag; ++lag)
        {
            double difference = 0.0;

            for (size_t i = 0; i < pitchFrameLength; ++i)
            {
                const auto delta = (double) take[start + i] - (double) take[start + i + lag];
                difference += delta * delta;
            }

            runningSum += difference;
            normalised[lag] = runningSum > 0.0 ? difference * (double) lag / runningSum : 1.0;
        }

        auto lag = (size_t) std::distance (normalised.begin(), std::min_element (normalised.begin() + 1, normalised.end()));

        for (size_t candidate = 1; candidate <= longestLag; ++candidate)
        {
            if (normalised[candidate] < 0.15)
            {
                lag = candidate;

                while (lag < longestLag && normalised[lag + 1] < normalised[lag])
                    ++lag;

                break;
            }
        }

        return rate / (double) lag;
    }

    /** How long the dry voice's pitch stays between the leap's two notes, more than a semitone
        from either, in frames 5 ms apart while the upper note is held: a glide passes through
        there, a jump from one note to the other does not. */
    inline double secondsBetweenTheLeapsNotes (const std::vector<float>& take)
    {
        constexpr auto rate = BankPhrase::sampleRate;
        constexpr auto hop = (size_t) (rate * 0.005);
        const auto semitone = std::pow (2.0, 1.0 / 12.0);
        const auto above = juce::MidiMessage::getMidiNoteInHertz (BankPhrase::leapFrom) * semitone;
        const auto below = juce::MidiMessage::getMidiNoteInHertz (BankPhrase::leapTo) / semitone;
        const auto end = std::min (take.size(), (size_t) (BankPhrase::leapEnd * rate)) - longestPitchLag (rate) - pitchFrameLength;
        int between = 0;

        for (auto start = (size_t) (BankPhrase::leapStart * rate); start < end; start += hop)
            if (const auto hz = pitchAt (take, start, rate); hz > above && hz < below)
                ++between;

        return between * (double) hop / rate;
    }
}
