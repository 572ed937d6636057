#include "TempoMap.h"

#include <algorithm>

TempoMap::TempoMap (int ticksPerQuarterNote, std::vector<TempoChange> tempoChanges)
    : changes (std::move (tempoChanges)),
      secondsPerMicrosecondPerQuarterNote (1.0e-6 / ticksPerQuarterNote)
{
    std::stable_sort (changes.begin(), changes.end(),
                      [] (const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    secondsPerTickAtStart = defaultMicrosecondsPerQuarterNote * secondsPerMicrosecondPerQuarterNote;
}

TempoMap::TempoMap (double framesPerSecond, int ticksPerFrame)
    : secondsPerTickAtStart (1.0 / (framesPerSecond * ticksPerFrame))
{
}

TempoMap::Cursor::Cursor (const TempoMap& mapToWalk) noexcept
    : map (mapToWalk),
      secondsPerTick (mapToWalk.secondsPerTickAtStart)
{
}

double TempoMap::Cursor::toSeconds (std::int64_t tick) noexcept
{
    const auto& tempoChanges = map.changes;

    while (nextChange < tempoChanges.size() && tempoChanges[nextChange].tick <= tick)
    {
        const auto& change = tempoChanges[nextChange++];
        segmentStartSeconds += (double) (change.tick - segmentStartTick) * secondsPerTick;
        segmentStartTick = change.tick;
        secondsPerTick = change.microsecondsPerQuarterNote * map.secondsPerMicrosecondPerQuarterNote;
    }

    return segmentStartSeconds + (double) (tick - segmentStartTick) * secondsPerTick;
}
