#pragma once

#include "plugin/WarbleProcessor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

/** The instrument's sound computed the plainest way: sample by sample, voice by voice, each value
    by the same float operations as the processor is meant to use, with none of its shortcuts.
    The processor's output must equal this one bit for bit, so any optimisation of the engine
    that changes a result shows up as a difference. */
class ReferenceEngine
{
public:
    /** The nine parameter values of one block. */
    struct Settings
    {
        float waveBlend, glideTime, vibratoRate, filterBase, filterMod, resonance, volume, reverb;
        bool legato;

        /** The values the processor will read for its next block. */
        static Settings of (WarbleProcessor& processor)
        {
            const auto read = [&processor] (const char* id) { return processor.parameters.getRawParameterValue (id)->load(); };

            return { read ("waveBlend"), read ("glideTime"), read ("vibratoRate"), read ("filterBase"),
                     read ("filterMod"), read ("resonance"), read ("volume"), read ("reverb"),
                     read ("legato") > 0.5f };
        }
    };

    /** How the filter coefficient is limited: the plain 0.99 of a one-pole filter, or also the
        ceiling that keeps the resonance loop from ringing at the Nyquist frequency. */
    enum class FilterCeiling { plain, resonanceAware };

    explicit ReferenceEngine (juce::int64 seed, FilterCeiling ceilingRule = FilterCeiling::resonanceAware)
        : filterCeiling (ceilingRule)
    {
        random.setSeed (seed);
    }

    void prepare (double newSampleRate)
    {
        sampleRate = newSampleRate;
        voices.fill (Voice {});
        reverb.prepare ({ sampleRate, 0, 0 });
    }

    /** Clears the reverb's memory, as the processor does once a tail has died away. */
    void resetReverb()
    {
        reverb.reset();
    }

    bool anyVoiceActive() const
    {
        return std::any_of (voices.begin(), voices.end(), [] (const Voice& v) { return v.active; });
    }

    void process (juce::AudioBuffer<float>& buffer, const juce::MidiBuffer& midi, const Settings& s)
    {
        const juce::ScopedNoDenormals noDenormals;
        buffer.clear();

        const auto sr = (float) sampleRate;
        const auto glideSamples = sr * (s.glideTime * 0.001f);
        const auto glideCoefficient = 1.0f - std::exp (-1.0f / std::max (glideSamples, 1.0f));
        const auto attackStep = 1.0f / (sr * 0.02f);
        const auto releaseStep = 1.0f / (sr * 0.3f);

        // Each event just before the sample at its position, the nearest sample for a position
        // outside the block.
        std::vector<std::pair<int, juce::MidiMessage>> events;
        const auto lastSample = std::max (buffer.getNumSamples() - 1, 0);

        for (const auto metadata : midi)
            events.emplace_back (juce::jlimit (0, lastSample, metadata.samplePosition), metadata.getMessage());

        size_t nextEvent = 0;

        const auto wheelCoefficient = 1.0f - std::exp (-1.0f / (sr * 0.02f));
        const auto gain = s.volume * 0.9f;

        auto ceiling = 0.99f;
        const auto k = s.resonance * 3.8f;

        if (filterCeiling == FilterCeiling::resonanceAware && k > 0.0f)
        {
            const auto r = std::pow (0.9f / k, 0.25f);
            ceiling = std::min (0.99f, 2.0f * r / (1.0f + r));
        }

        for (int sample = 0; sample < buffer.getNumSamples(); ++sample)
        {
            for (; nextEvent < events.size() && events[nextEvent].first <= sample; ++nextEvent)
                handle (events[nextEvent].second, s.legato);

            modWheelSmoothed = modWheelSmoothed + (modWheel - modWheelSmoothed) * wheelCoefficient;
            const auto m = modWheelSmoothed;
            auto sum = 0.0f;

            for (auto& v : voices)
            {
                if (! v.active)
                    continue;

                if (v.releasing)
                {
                    v.envelope = v.envelope - releaseStep;

                    if (! (v.envelope > 0.0f))
                    {
                        v.active = false;
                        v.envelope = 0.0f;
                        continue;
                    }
                }
                else
                {
                    v.envelope = std::min (v.envelope + attackStep, 1.0f);
                }

                const auto d = v.velocity - v.gain;

                if (d > attackStep)
                    v.gain = v.gain + attackStep;
                else if (d < -attackStep)
                    v.gain = v.gain - attackStep;
                else
                    v.gain = v.velocity;

                v.currentHz = v.currentHz + (v.targetHz - v.currentHz) * glideCoefficient;

                v.vibratoPhase = v.vibratoPhase + s.vibratoRate / sr;
                if (v.vibratoPhase > 1.0f)
                    v.vibratoPhase = v.vibratoPhase - 1.0f;

                const auto lfo = std::sin (v.vibratoPhase * 6.2831855f);
                const auto depth = std::max ((m - 0.2f) / 0.8f, 0.0f) * 35.0f;
                const auto freq = v.currentHz * std::pow (2.0f, lfo * depth / 1200.0f);

                v.phase = v.phase + (double) freq / sampleRate;
                if (v.phase >= 1.0)
                    v.phase = v.phase - 1.0;

                const auto p = v.phase;
                const auto pf = (float) p;
                const auto sine = (float) std::sin (6.283185307179586 * p);
                const auto triangle = 1.0f - 4.0f * std::abs (pf - 0.5f);
                const auto saw = 2.0f * pf - 1.0f;
                const auto soft = 0.85f * sine + 0.15f * triangle;
                const auto bright = (saw - 0.33f * (saw * saw * saw)) * 0.55f;
                const auto osc = soft * (1.0f - s.waveBlend) + bright * s.waveBlend;

                auto u = s.filterMod * m + s.filterBase;
                u = u < 0.0f ? 0.0f : (u > 1.0f ? 1.0f : u);
                auto fc = 80.0f * std::pow (100.0f, u);
                fc = std::max (fc, 40.0f);
                fc = std::min (fc, 0.45f * sr);
                auto g = std::min (fc / sr * 6.2831855f, 0.99f);

                if (filterCeiling == FilterCeiling::resonanceAware)
                    g = std::min (g, ceiling);

                auto& st = v.filterStages;
                const auto x = osc - (s.resonance * 3.8f) * st[3];
                st[0] = st[0] + (std::tanh (x) - std::tanh (st[0])) * g;
                st[1] = st[1] + (st[0] - st[1]) * g;
                st[2] = st[2] + (st[1] - st[2]) * g;
                st[3] = st[3] + (st[2] - st[3]) * g;

                sum = sum + st[3] * v.envelope * v.gain;
            }

            const auto out = 0.85f * std::tanh (gain * sum * 1.2f);

            if (buffer.getNumChannels() >= 1)
                buffer.addSample (0, sample, out);

            if (buffer.getNumChannels() >= 2)
                buffer.addSample (1, sample, out);
        }

        // A block without samples still takes its events.
        for (; nextEvent < events.size(); ++nextEvent)
            handle (events[nextEvent].second, s.legato);

        juce::Reverb::Parameters parameters;
        parameters.roomSize = s.reverb * 0.4f + 0.55f;
        parameters.damping = 0.4f;
        parameters.wetLevel = s.reverb * 0.55f;
        parameters.dryLevel = 1.0f - s.reverb * 0.25f;
        parameters.width = 1.0f;
        reverb.setParameters (parameters);

        if (buffer.getNumChannels() == 1 || buffer.getNumChannels() == 2)
        {
            juce::dsp::AudioBlock<float> block (buffer);
            reverb.process (juce::dsp::ProcessContextReplacing<float> (block));
        }
    }

private:
    void handle (const juce::MidiMessage& message, bool legato)
    {
        const auto* data = message.getRawData();
        const auto status = data[0] & 0xf0;

        if (status == 0xb0)
        {
            if (data[1] == 1)
                modWheel = (float) data[2] / 127.0f;
            else if (data[1] == 123 || data[1] == 120)
                for (auto& v : voices)
                    v.releasing = true;
        }
        else if (status == 0x90 && data[2] != 0)
        {
            noteOn (data[1], data[2], legato);
        }
        else if (status == 0x80 || status == 0x90)
        {
            for (auto& v : voices)
                if (v.active && ! v.releasing && v.note == data[1])
                    v.releasing = true;
        }
    }

    void noteOn (int n, int velocityByte, bool legato)
    {
        const auto velocity = (float) velocityByte * (1.0f / 127.0f);
        const auto f = 440.0f * std::pow (2.0f, (float) (n - 69) / 12.0f);

        if (legato)
        {
            for (auto& v : voices)
            {
                if (v.active && ! v.releasing)
                {
                    v.note = n;
                    v.velocity = velocity;
                    v.targetHz = f;
                    return;
                }
            }
        }

        auto* chosen = &voices.front();
        auto found = false;

        for (auto& v : voices)
        {
            if (! v.active)
            {
                chosen = &v;
                found = true;
                break;
            }
        }

        if (! found)
        {
            auto best = 1.0e9f;

            for (auto& v : voices)
            {
                if (v.releasing && v.envelope < best)
                {
                    best = v.envelope;
                    chosen = &v;
                    found = true;
                }
            }
        }

        if (! found)
        {
            for (auto& v : voices)
                if (v.startOrder < chosen->startOrder)
                    chosen = &v;
        }

        auto& v = *chosen;
        const auto silent = v.envelope < 0.001f;
        v.active = true;
        v.releasing = false;
        v.note = n;
        v.velocity = velocity;
        v.targetHz = f;
        v.startOrder = ++starts;

        if (silent)
        {
            v.currentHz = f;
            v.gain = velocity;
            v.phase = 0.0;
            v.filterStages = { 0.0f, 0.0f, 0.0f, 0.0f };
        }

        v.envelope = std::max (v.envelope, 0.0f);
        v.vibratoPhase = random.nextFloat();
    }

    FilterCeiling filterCeiling;
    std::array<Voice, WarbleProcessor::numVoices> voices {};
    double sampleRate = 44100.0;
    std::uint64_t starts = 0;
    juce::Random random;
    float modWheel = 0.0f;
    float modWheelSmoothed = 0.0f;
    juce::dsp::Reverb reverb;
};
