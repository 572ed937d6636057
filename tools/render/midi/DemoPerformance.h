#pragma once

#include "Performance.h"

/** The built-in demonstration, about 19 seconds of music in A minor at 100 beats a minute:
    a gliding legato melody (legato switched on through its parameter) whose last note swells
    with the mod wheel, opening the filter and bringing in the vibrato; then, legato off, a
    chord progression ending on a rolled eight-voice A minor 9 whose top line moves twice while
    all eight voices sound, stealing a voice each time; finally a release into the reverb. */
class DemoPerformance
{
public:
    static Performance create();

    static constexpr double beatsPerMinute = 100.0;
};
