#pragma once

#include <benchmark/benchmark.h>

namespace BenchSupport
{
    /** Adds the counters every audio benchmark reports: nanoseconds per sample and, for a given
        sample rate, how many times faster than real time the work runs. */
    inline void reportPerSample (benchmark::State& state, double samplesPerIteration, double sampleRate = 0.0)
    {
        const auto samples = samplesPerIteration * (double) state.iterations();
        state.counters["ns_per_sample"] = benchmark::Counter (samples * 1.0e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

        if (sampleRate > 0.0)
            state.counters["realtime_factor"] = benchmark::Counter (samples / sampleRate, benchmark::Counter::kIsRate);
    }
}
