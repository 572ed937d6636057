#include "BenchSupport.h"

#include "standalone/audio/SafetyLimiter.h"

#include <cmath>
#include <vector>

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    // The application's output limiter on stereo 512-sample blocks of a chord peaking at the
    // given level in tenths of full scale: below the ceiling it only delays, above it it limits.
    void safetyLimiter (benchmark::State& state)
    {
        const auto level = (float) state.range (0) / 10.0f;
        SafetyLimiter limiter;
        limiter.prepare (sampleRate, 2);

        std::vector<float> source (blockSize * 64);

        for (size_t i = 0; i < source.size(); ++i)
            source[i] = level * 0.5f * (std::sin (0.0575f * (float) i) + std::sin (0.0861f * (float) i));

        std::vector<float> left (blockSize), right (blockSize);
        float* channels[] = { left.data(), right.data() };
        size_t position = 0;

        for (auto _ : state)
        {
            state.PauseTiming();
            std::copy (source.begin() + (long) position, source.begin() + (long) position + blockSize, left.begin());
            std::copy (left.begin(), left.end(), right.begin());
            position = (position + blockSize) % source.size();
            state.ResumeTiming();

            limiter.process (channels, 2, blockSize);
            benchmark::DoNotOptimize (left.data());
            benchmark::ClobberMemory();
        }

        BenchSupport::reportPerSample (state, blockSize, sampleRate);
    }
}

BENCHMARK (safetyLimiter)->Arg (5)->Arg (30)->Unit (benchmark::kMicrosecond);
