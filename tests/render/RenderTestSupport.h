#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <optional>

namespace RenderTestSupport
{
    /** A fresh, empty folder that is deleted with everything in it at the end of the test. Its
        name is unique, so that tests running side by side in other processes never share it. */
    class TemporaryFolder
    {
    public:
        TemporaryFolder()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getNonexistentChildFile ("warble-render-test-" + juce::Uuid().toString(), {}, false))
        {
            folder.createDirectory();
        }

        ~TemporaryFolder()
        {
            folder.deleteRecursively();
        }

        juce::File getFile (const juce::String& name) const
        {
            return folder.getChildFile (name);
        }

        /** Every file in the folder, hidden ones included. */
        juce::Array<juce::File> getContents() const
        {
            return folder.findChildFiles (juce::File::findFilesAndDirectories, false);
        }

    private:
        juce::File folder;
    };

    inline void writeMidiFile (const juce::File& file, const std::vector<juce::MidiMessageSequence>& tracks,
                               int ticksPerQuarterNote = 960)
    {
        juce::MidiFile midiFile;
        midiFile.setTicksPerQuarterNote (ticksPerQuarterNote);

        for (const auto& track : tracks)
            midiFile.addTrack (track);

        file.deleteFile();
        juce::FileOutputStream stream (file);
        ASSERT_TRUE (stream.openedOk());
        ASSERT_TRUE (midiFile.writeTo (stream));
    }

    /** A track holding one note, with timestamps in ticks at 960 ticks a quarter note and the
        default tempo of 120 beats a minute, so 1920 ticks make a second. */
    inline juce::MidiMessageSequence oneNote (int noteNumber, double seconds, juce::uint8 velocity = 100)
    {
        constexpr double ticksPerSecond = 1920.0;
        juce::MidiMessageSequence track;
        track.addEvent (juce::MidiMessage::noteOn (1, noteNumber, velocity), 0.0);
        track.addEvent (juce::MidiMessage::noteOff (1, noteNumber), seconds * ticksPerSecond);
        return track;
    }

    struct WavContents
    {
        juce::AudioBuffer<float> audio;
        double sampleRate = 0.0;
        unsigned int bitsPerSample = 0;
        bool usesFloatingPointData = false;
    };

    inline std::optional<WavContents> readWav (const juce::File& file)
    {
        juce::WavAudioFormat format;
        std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (file.createInputStream().release(), true));

        if (reader == nullptr)
            return std::nullopt;

        WavContents contents;
        contents.audio.setSize ((int) reader->numChannels, (int) reader->lengthInSamples);
        reader->read (&contents.audio, 0, (int) reader->lengthInSamples, 0, true, true);
        contents.sampleRate = reader->sampleRate;
        contents.bitsPerSample = reader->bitsPerSample;
        contents.usesFloatingPointData = reader->usesFloatingPointData;
        return contents;
    }

    inline double rms (const juce::AudioBuffer<float>& audio, int channel, int start = 0, int length = -1)
    {
        if (length < 0)
            length = audio.getNumSamples() - start;

        return length > 0 ? (double) audio.getRMSLevel (channel, start, length) : 0.0;
    }
}
