#pragma once

#include "Performance.h"

/** Reads a Standard MIDI File into a performance: every track merged into one stream, the
    file's tempo map turned into times in seconds, meta events (tempo, names, end of track)
    dropped since no instrument can receive them. */
class MidiFileReader
{
public:
    /** Adds the file's events to the performance, or leaves it untouched and explains why the
        file cannot be used. */
    static juce::Result read (const juce::File& file, Performance& performance);
};
