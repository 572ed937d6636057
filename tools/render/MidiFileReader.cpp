#include "MidiFileReader.h"

juce::Result MidiFileReader::read (const juce::File& file, Performance& performance)
{
    const auto name = file.getFullPathName();

    if (file.isDirectory())
        return juce::Result::fail ("cannot read MIDI file " + name + ": it is a directory");

    if (! file.existsAsFile())
        return juce::Result::fail ("cannot read MIDI file " + name + ": no such file");

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return juce::Result::fail ("cannot read MIDI file " + name + ": " + stream.getStatus().getErrorMessage());

    // Matching note-offs close notes left hanging at the end of a track.
    juce::MidiFile midiFile;

    if (! midiFile.readFrom (stream, true))
        return juce::Result::fail (name + " is not a Standard MIDI File");

    midiFile.convertTimestampTicksToSeconds();

    juce::MidiMessageSequence events;

    for (int trackIndex = 0; trackIndex < midiFile.getNumTracks(); ++trackIndex)
    {
        juce::MidiMessageSequence playable;

        for (const auto* holder : *midiFile.getTrack (trackIndex))
            if (! holder->message.isMetaEvent())
                playable.addEvent (holder->message);

        events.addSequence (playable, 0.0);
    }

    performance.addMidi (events);
    return juce::Result::ok();
}
