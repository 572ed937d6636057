#include "clap/ClapPluginHost.h"
#include "engine/RealtimeCallCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

// The CLAP wrapper's process() around the instrument's, as a host's audio thread calls it: no heap
// allocation and no lock, counted by this program's replacements of malloc, operator new and
// pthread_mutex_lock, which the loaded Warble.clap calls as well.
namespace
{
    using RealtimeCallCounter::Counts;
    using warble::test::ClapEventList;
    using warble::test::ClapPluginHost;

    constexpr uint32_t maxFrames = 1024;

    class ClapRealtime : public testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_NE (host.getPlugin(), nullptr) << host.getError();
            ASSERT_TRUE (host.activate (48000.0, 1, maxFrames));

            // The first blocks are not counted: a host's first calls may set things up.
            ClapEventList none;

            for (int i = 0; i < 4; ++i)
                host.process (left.data(), right.data(), maxFrames, none);

            RealtimeCallCounter::reset();
        }

        /** Renders blocks of random sizes (some of one sample) carrying dense MIDI, and the
            parameter events that fill() adds, counting only inside process(). */
        template <typename AddParameterEvents>
        Counts renderCounted (int numBlocks, AddParameterEvents&& addParameterEvents)
        {
            std::mt19937 random (1234);
            ClapEventList events, sent;

            for (int block = 0; block < numBlocks; ++block)
            {
                const auto frames = (uint32_t) std::uniform_int_distribution<int> (1, (int) maxFrames) (random);
                events.clear();
                sent.clear();
                std::vector<uint32_t> times (std::uniform_int_distribution<size_t> (0, 40) (random));

                for (auto& time : times)
                    time = std::uniform_int_distribution<uint32_t> (0, frames - 1) (random);

                std::sort (times.begin(), times.end());

                for (const auto time : times)
                {
                    const auto channel = (uint8_t) std::uniform_int_distribution<int> (0, 15) (random);
                    const auto data = (uint8_t) std::uniform_int_distribution<int> (0, 127) (random);

                    switch (std::uniform_int_distribution<int> (0, 4) (random))
                    {
                        case 0:  events.midi (time, (uint8_t) (0x90 | channel), data, 100); break;
                        case 1:  events.midi (time, (uint8_t) (0x80 | channel), data, 0); break;
                        case 2:  events.midi (time, (uint8_t) (0xb0 | channel), 1, data); break;
                        case 3:  events.midi (time, (uint8_t) (0xe0 | channel), 0, data); break;
                        default: addParameterEvents (events, time, random); break;
                    }
                }

                const RealtimeCallCounter::ScopedCounting counting;
                host.process (left.data(), right.data(), frames, events, &sent);
            }

            return RealtimeCallCounter::totals();
        }

        ClapPluginHost host { WARBLE_BUILT_CLAP_FILE, WARBLE_CLAP_ID };
        std::vector<float> left = std::vector<float> (maxFrames), right = std::vector<float> (maxFrames);
    };
}

TEST_F (ClapRealtime, TheCounterSeesIntoThePlugIn)
{
    // A parameter's text is made with allocations, and a state saved under the wrapper's lock,
    // inside Warble.clap; the host's side of either call neither allocates nor locks.
    const auto* params = host.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
    char text[CLAP_NAME_SIZE] {};

    {
        const RealtimeCallCounter::ScopedCounting counting;
        EXPECT_TRUE (params->value_to_text (host.getPlugin(), host.parameterId (1), 80.0, text, sizeof (text)));
    }

    EXPECT_STREQ (text, "80.0");
    EXPECT_GT (RealtimeCallCounter::totals().allocations, 0);

    const auto* state = host.extension<clap_plugin_state> (CLAP_EXT_STATE);
    const clap_ostream discard { nullptr, [] (const clap_ostream*, const void*, uint64_t size) { return (int64_t) size; } };

    {
        const RealtimeCallCounter::ScopedCounting counting;
        EXPECT_TRUE (state->save (host.getPlugin(), &discard));
    }

    EXPECT_GT (RealtimeCallCounter::totals().mutexLocks, 0);
}

TEST_F (ClapRealtime, ProcessNeitherAllocatesNorLocksUnderDenseMidi)
{
    EXPECT_EQ (renderCounted (2000, [] (ClapEventList&, uint32_t, std::mt19937&) {}), Counts {});
}

TEST_F (ClapRealtime, ParameterEventsAllocateNothing)
{
    // A new value reaches the parameter's listeners, and the value-tree state's, each under
    // JUCE's own listener lock, uncontended here, as in JUCE's VST3 wrapper for VST3 automation.
    // Nothing else locks.
    std::vector<clap_id> ids;

    for (uint32_t index = 0; index < 9; ++index)
        ids.push_back (host.parameterId (index));

    long parameterEvents = 0;
    const auto counts = renderCounted (2000, [&] (ClapEventList& events, uint32_t time, std::mt19937& random)
    {
        events.parameter (time, ids[std::uniform_int_distribution<size_t> (0, ids.size() - 1) (random)],
                          std::uniform_real_distribution<double> (0.0, 1.0) (random));
        ++parameterEvents;
    });

    EXPECT_GT (parameterEvents, 1000);
    EXPECT_EQ (counts.allocations, 0);
    EXPECT_EQ (counts.deallocations, 0);
    EXPECT_LE (counts.mutexLocks, 2 * parameterEvents);
}
