#include "BenchSupport.h"

#include <array>
#include <cmath>

// The floor under the engine's cost: only the transcendental functions that its arithmetic
// calls for, on arguments like the ones it meets, with nothing else around them.
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
}

BENCHMARK (mandatedMathPerVoiceSample);
BENCHMARK (mandatedMathPerSample);
