#include <benchmark/benchmark.h>

#include <juce_events/juce_events.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <unistd.h>

namespace
{
    /** The console output, followed by how the engine's cost compares with its targets: eight
        voices within 1.25 times the mandated math (eight voices' worth plus the per-sample part
        and the reverb), an instance whose notes have died away within 1.5 times one that never
        played, and the idle engine within 5 % of the eight-voice cost. */
    class TargetReporter : public benchmark::ConsoleReporter
    {
    public:
        TargetReporter()
            : ConsoleReporter (isatty (fileno (stdout)) ? OO_ColorTabular : OO_Tabular)
        {
        }

        void ReportRuns (const std::vector<Run>& runs) override
        {
            for (const auto& run : runs)
            {
                const auto counter = run.counters.find ("ns_per_sample");
                if (! run.error_occurred && counter != run.counters.end())
                    nsPerSample[run.benchmark_name()] = counter->second.value;
            }

            // The counters' values are final here; without their flags the console shows them
            // as the plain numbers their names promise, not with a "/s" or "s" unit.
            auto shown = runs;
            for (auto& run : shown)
                for (auto& counter : run.counters)
                    counter.second.flags = benchmark::Counter::kDefaults;

            ConsoleReporter::ReportRuns (shown);
        }

        void Finalize() override
        {
            ConsoleReporter::Finalize();

            // With --benchmark_repetitions the median stands for the benchmark.
            const auto find = [this] (const std::string& name)
            {
                for (const auto& key : { name + "_median", name })
                    if (const auto it = nsPerSample.find (key); it != nsPerSample.end())
                        return it->second;

                return -1.0;
            };

            const auto idle = find ("processBlock/voices:0/channels:2");
            const auto eight = find ("processBlock/voices:8/channels:2");
            const auto perVoice = find ("mandatedMathPerVoiceSample");
            const auto perSample = find ("mandatedMathPerSample");
            const auto reverb = find ("mandatedReverb");

            if (eight > 0.0 && perVoice > 0.0 && perSample > 0.0 && reverb > 0.0)
            {
                // The floor is what the sound is made of: the mandated math for eight voices and
                // for the output, and the reverb.
                const auto floor = 8.0 * perVoice + perSample + reverb;
                std::cout << "8 voices: " << eight << " ns/sample, floor " << floor << " ns/sample (reverb "
                          << reverb << "), ratio " << eight / floor << " (target <= 1.25)\n";
            }

            for (const auto* level : { "35", "100" })
            {
                const auto afterRelease = find (std::string ("processBlockIdleAfterRelease/reverbPercent:") + level);

                if (afterRelease > 0.0 && idle > 0.0)
                    std::cout << "idle after release at reverb " << level << " %: " << afterRelease << " ns/sample, "
                              << afterRelease / idle << " x an instance that never played (target <= 1.5)\n";
            }

            if (idle > 0.0 && eight > 0.0)
                std::cout << "idle: " << idle << " ns/sample, " << 100.0 * idle / eight
                          << " % of 8 voices (target <= 5 %)\n";
        }

    private:
        std::map<std::string, double> nsPerSample;
    };
}

// The instrument's classes expect JUCE to be initialised, as it is inside a host.
int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks (&reporter);
    benchmark::Shutdown();
    return 0;
}
