#pragma once

#include <cstdint>
#include <vector>

/** Converts a Standard MIDI File's ticks into seconds. With SMPTE time division a tick has a
    fixed length; with ticks per quarter note its length follows the tempo changes, 120 beats a
    minute until the first of them.

    The changes are sorted once, so that a Cursor can convert ticks that never decrease in a
    single pass over the map: the whole file takes time linear in its number of events plus its
    number of tempo changes. */
class TempoMap
{
public:
    struct TempoChange
    {
        std::int64_t tick = 0;
        std::uint32_t microsecondsPerQuarterNote = 0;
    };

    static constexpr std::uint32_t defaultMicrosecondsPerQuarterNote = 500000;

    /** Ticks a quarter note (above 0). Changes at the same tick take effect in the order given,
        so the last of them holds. */
    TempoMap (int ticksPerQuarterNote, std::vector<TempoChange> tempoChanges);

    /** SMPTE time: framesPerSecond (29.97 for drop-frame) times ticksPerFrame ticks a second,
        whatever the tempo. */
    TempoMap (double framesPerSecond, int ticksPerFrame);

    /** Walks the map forwards. */
    class Cursor
    {
    public:
        explicit Cursor (const TempoMap& map) noexcept;

        /** The time of a tick, which must not be earlier than the one asked before. */
        double toSeconds (std::int64_t tick) noexcept;

    private:
        const TempoMap& map;
        std::size_t nextChange = 0;
        std::int64_t segmentStartTick = 0;
        double segmentStartSeconds = 0.0;
        double secondsPerTick = 0.0;
    };

private:
    std::vector<TempoChange> changes;
    double secondsPerTickAtStart = 0.0;
    double secondsPerMicrosecondPerQuarterNote = 0.0;
};
