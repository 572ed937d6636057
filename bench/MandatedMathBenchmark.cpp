#include "BenchSupport.h"

#include "plugin/WarbleProcessor.h"

#include <array>
#include <cmath>

// The floor under the engine's cost: only the library calls that its arithmetic and its output
// stage call for, on arguments like the ones they meet, with nothing else around them.
namespace
{
    constexpr int samplesPerIteration = 512;
    constexpr size_t tableSize = 4096;

    struct Arguments
    {
        Arguments()
        {
            for (size_t i = 0; i < tableSize; ++i)
            {
                const auto t = ((double) i + 0.5) / (double) tableSize;
                oscillatorPhase[i] = t;
                vibratoAngle[i] = (float) t * 6.2831855f;
                vibratoExponent[i] = (float) std::sin (t * 17.0) * (35.0f / 1200.0f);
                saturatorInput[i] = (float) std::sin (t * 29.0) * 1.5f;
                filterState[i] = (float) std::sin (t * 11.0) * 0.8f;
                cutoffExponent[i] = (float) t;
                masterInput[i] = (float) std::sin (t * 7.0) * 2.0f;
            }
        }

        std::array<double, tableSize> oscillatorPhase;
        std::array<float, tableSize> vibratoAngle, vibratoExponent, saturatorInput, filterState, cutoffExponent, masterInput;
    };

    const Arguments arguments;

    // Per voice and sample: the oscillator's 64-bit sine, the vibrato's sine and power, and the
    // filter's two hyperbolic tangents.
    void mandatedMathPerVoiceSample (benchmark::State& state)
    {
        size_t offset = 0;

        for (auto _ : state)
        {
            for (int i = 0; i < samplesPerIteration; ++i)
            {
                const auto k = (offset + (size_t) i) & (tableSize - 1);
                benchmark::DoNotOptimize (std::sin (6.283185307179586 * arguments.oscillatorPhase[k]));
                benchmark::DoNotOptimize (std::sin (arguments.vibratoAngle[k]));
                benchmark::DoNotOptimize (std::pow (2.0f, arguments.vibratoExponent[k]));
                benchmark::DoNotOptimize (std::tanh (arguments.saturatorInput[k]));
                benchmark::DoNotOptimize (std::tanh (arguments.filterState[k]));
            }

            offset += samplesPerIteration;
        }

        BenchSupport::reportPerSample (state, samplesPerIteration);
    }

    // Per sample, once for all voices: the cutoff's power and the master clipper's tangent.
    void mandatedMathPerSample (benchmark::State& state)
    {
        size_t offset = 0;

        for (auto _ : state)
        {
            for (int i = 0; i < samplesPerIteration; ++i)
            {
                const auto k = (offset + (size_t) i) & (tableSize - 1);
                benchmark::DoNotOptimize (std::pow (100.0f, arguments.cutoffExponent[k]));
                benchmark::DoNotOptimize (std::tanh (arguments.masterInput[k]));
            }

            offset += samplesPerIteration;
        }

        BenchSupport::reportPerSample (state, samplesPerIteration);
    }

    // Per sample, once for the whole output: the reverb over a stereo block at the default reverb
    // level, with denormals flushed as in the engine. Each block starts from the same signal,
    // since the reverb works in place; the copy costs well under one percent of the reverb.
    void mandatedReverb (benchmark::State& state)
    {
        const juce::ScopedNoDenormals noDenormals;
        constexpr auto level = 0.35f;

        juce::dsp::Reverb reverb;
        reverb.prepare ({ 48000.0, (juce::uint32) samplesPerIteration, 2 });

        reverb.setParameters (WarbleProcessor::reverbSettingsFor (level));

        juce::AudioBuffer<float> source (2, samplesPerIteration), buffer (2, samplesPerIteration);

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < samplesPerIteration; ++i)
                source.setSample (channel, i, arguments.masterInput[(size_t) i] * 0.4f);

        for (auto _ : state)
        {
            buffer.copyFrom (0, 0, source, 0, 0, samplesPerIteration);
            buffer.copyFrom (1, 0, source, 1, 0, samplesPerIteration);

            juce::dsp::AudioBlock<float> block (buffer);
            reverb.process (juce::dsp::ProcessContextReplacing<float> (block));
            benchmark::DoNotOptimize (buffer.getWritePointer (0));
            benchmark::ClobberMemory();
        }

        BenchSupport::reportPerSample (state, samplesPerIteration);
    }
}

BENCHMARK (mandatedMathPerVoiceSample);
BENCHMARK (mandatedMathPerSample);
BENCHMARK (mandatedReverb);
