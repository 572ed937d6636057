#include "midi/MidiFileReader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

// warble-render's MIDI file reader on the four shapes of well-formed file that once made reading
// quadratic, 10 MB of each.
namespace
{
    using Bytes = std::vector<std::uint8_t>;

    constexpr std::size_t shapeSize = 10 * 1024 * 1024;

    /** A format 0 file at 480 ticks a quarter note: the first bytes, then the repeated bytes that
        the next one gives until the track holds shapeSize bytes, then the last bytes. */
    Bytes makeShape (const Bytes& first, const std::function<Bytes (std::size_t)>& repeated, const Bytes& last)
    {
        Bytes file { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xe0, 'M', 'T', 'r', 'k', 0, 0, 0, 0 };
        const auto trackStart = file.size();

        const auto append = [&file] (const Bytes& bytes)
        {
            const auto end = file.size();
            file.resize (end + bytes.size());
            std::copy (bytes.begin(), bytes.end(), file.begin() + (std::ptrdiff_t) end);
        };

        append (first);

        for (std::size_t i = 0; file.size() - trackStart < shapeSize; ++i)
            append (repeated (i));

        append (last);

        const auto trackSize = (std::uint32_t) (file.size() - trackStart);

        for (std::size_t i = 0; i < 4; ++i)
            file[trackStart - 4 + i] = (std::uint8_t) (trackSize >> (24 - 8 * i));

        return file;
    }

    const Bytes endOfTrack { 0x00, 0xff, 0x2f, 0x00 };

    void readShape (benchmark::State& state, const Bytes& file)
    {
        std::size_t numEvents = 0;

        for (auto _ : state)
        {
            Performance performance;
            juce::StringArray warnings;

            if (MidiFileReader::read (file.data(), file.size(), performance, warnings).failed())
                state.SkipWithError ("the file was refused");

            numEvents = (std::size_t) performance.getMidi().getNumEvents();
        }

        state.SetBytesProcessed (state.iterations() * (std::int64_t) file.size());
        state.counters["events"] = (double) numEvents;
    }
}

// A tempo change at every tick across one long note: the tempo map is as long as the file.
static void readTempoChangeAtEveryTick (benchmark::State& state)
{
    static const auto file = makeShape ({ 0x00, 0x90, 0x3c, 0x64 },
                                        [] (std::size_t i)
                                        {
                                            return i % 2 == 0 ? Bytes { 0x01, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40 }
                                                              : Bytes { 0x01, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20 };
                                        },
                                        { 0x01, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 });
    readShape (state, file);
}
BENCHMARK (readTempoChangeAtEveryTick)->Unit (benchmark::kMillisecond);

// Keys struck and let go at one tick, millions of times: every note-off goes before its note-on.
static void readNotesAtOneTick (benchmark::State& state)
{
    static const auto file = makeShape ({ 0x00, 0x90, 0x3c, 0x64, 0x00, 0x3c, 0x00 },
                                        [] (std::size_t i)
                                        {
                                            const auto key = (std::uint8_t) (i % 128);
                                            return Bytes { 0x00, key, 0x64, 0x00, key, 0x00 };
                                        },
                                        endOfTrack);
    readShape (state, file);
}
BENCHMARK (readNotesAtOneTick)->Unit (benchmark::kMillisecond);

// One key struck again and again, never let go.
static void readOneKeyStruckAgainAndAgain (benchmark::State& state)
{
    static const auto file = makeShape ({ 0x00, 0x90, 0x3c, 0x64 },
                                        [] (std::size_t) { return Bytes { 0x01, 0x3c, 0x64 }; },
                                        endOfTrack);
    readShape (state, file);
}
BENCHMARK (readOneKeyStruckAgainAndAgain)->Unit (benchmark::kMillisecond);

// Note-ons on every key of every channel, none ever let go.
static void readNotesNeverLetGo (benchmark::State& state)
{
    static const auto file = makeShape ({},
                                        [] (std::size_t i)
                                        {
                                            return Bytes { 0x00, (std::uint8_t) (0x90 | (i / 128) % 16),
                                                           (std::uint8_t) (i % 128), 0x64 };
                                        },
                                        endOfTrack);
    readShape (state, file);
}
BENCHMARK (readNotesNeverLetGo)->Unit (benchmark::kMillisecond);
