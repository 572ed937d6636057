#pragma once

#include "Performance.h"

/** Reads a Standard MIDI File into a performance, strict where the timing of the music cannot be
    known and lenient where players are lenient.

    Formats 0 and 1 play all their tracks together under one tempo map, made of the tempo events
    of every track. Format 2 plays its tracks one after another, each as a sequence with its own
    tempo map, starting where the previous one ends (at its End of Track). Both ticks per quarter
    note and SMPTE time division are understood.

    Read as players read them: running status (kept across meta and SysEx events), SysEx whole or
    in packets (F0 without F7, continued by F7 packets), F7 escapes (raw bytes for a device, skipped
    whole), chunks of unknown types (skipped), a missing End of Track (the chunk's end ends the
    track), data bytes above 127 (masked to 7 bits), fewer tracks than the header declares by up
    to maxMissingTracks (warned about), anything after the declared tracks (ignored), a file
    wrapped in a RIFF "RMID" container. A note-off and a note-on of one key at one tick are put
    in that order, so that a note struck again sounds again; a key struck again while it still
    sounds is let go just before. Notes still held at the end of the file are released there.

    Refused, with the byte offset of the defect: a file that is not an SMF, a header that is not
    6 bytes long, format above 2, time division 0, SMPTE division with 0 frames or 0 ticks a
    frame, a chunk or event cut off by the end of the file (or of its track chunk), a data byte
    where an event must begin and no running status to continue, a variable-length number
    longer than 4 bytes, more than maxMissingTracks tracks missing, and a file with no note.

    Skipped with a warning: a meta event whose length is wrong for its type (a tempo event must
    hold 3 bytes) or a tempo of 0, and a SysEx message that is never finished.

    Meta events themselves are not added to the performance, since no instrument receives them. */
class MidiFileReader
{
public:
    /** Adds the file's events to the performance, or leaves it untouched and explains why the
        file cannot be used. What was skipped is described in warnings, one line each. */
    static juce::Result read (const juce::File& file, Performance& performance, juce::StringArray& warnings);

    /** The same for the bytes of a file; the messages name no file. */
    static juce::Result read (const void* data, std::size_t numBytes, Performance& performance,
                              juce::StringArray& warnings);

    /** Some writers declare tracks that they never write; a larger shortfall means a damaged file. */
    static constexpr int maxMissingTracks = 16;

    /** Beyond these, one more line tells how many warnings were left out. */
    static constexpr int maxWarnings = 20;

    /** Larger files are refused before they are read into memory. */
    static constexpr juce::int64 maxFileSize = 200 * 1024 * 1024;
};
