#include "MidiFileFixtures.h"
#include "RenderTestSupport.h"
#include "midi/MidiFileReader.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

using namespace MidiFileFixtures;
using RenderTestSupport::TemporaryFolder;

namespace
{
    std::string describeBytes (const juce::MidiMessage& message)
    {
        std::string description;

        for (int i = 0; i < message.getRawDataSize(); ++i)
        {
            char byte[4];
            std::snprintf (byte, sizeof (byte), " %02x", message.getRawData()[i]);
            description += byte;
        }

        return description;
    }

    /** The performance's MIDI as text: each event's time in seconds to the millisecond and its
        bytes in hex, "0.500 80 3c 00". */
    std::string describe (const Performance& performance)
    {
        std::string description;

        for (const auto* holder : performance.getMidi())
        {
            char time[32];
            std::snprintf (time, sizeof (time), "%.3f", holder->message.getTimeStamp());
            description += (description.empty() ? "" : ", ") + std::string (time) + describeBytes (holder->message);
        }

        return description;
    }

    Bytes littleEndian (std::uint32_t value)
    {
        return { (std::uint8_t) value, (std::uint8_t) (value >> 8), (std::uint8_t) (value >> 16), (std::uint8_t) (value >> 24) };
    }

    Bytes riffMidi (const Bytes& standardMidiFile)
    {
        const auto data = join ({ text ("data"), littleEndian ((std::uint32_t) standardMidiFile.size()), standardMidiFile });
        return join ({ text ("RIFF"), littleEndian ((std::uint32_t) data.size() + 4), text ("RMID"), data });
    }

    /** 1 000 000 microseconds a quarter note: 60 beats a minute. */
    const Bytes oneSecondTempo { 0x00, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40 };

    const char* const halfSecondNoteEvents = "0.000 90 3c 64, 0.500 80 3c 00";
}

/** One small file and what it reads as: its events, or the error that refuses it. */
struct ReadingCase
{
    const char* name;
    Bytes bytes;

    /** Null when the file is refused. */
    const char* expectedEvents;

    /** A part of the error for a refused file; otherwise of the one warning, or empty for none. */
    const char* expectedMessage;

    friend void PrintTo (const ReadingCase& readingCase, std::ostream* stream)
    {
        *stream << readingCase.name;
    }
};

class MidiFileReading : public testing::TestWithParam<ReadingCase> {};

TEST_P (MidiFileReading, GivesTheEventsOrTheDefect)
{
    const auto& readingCase = GetParam();
    Performance performance;
    juce::StringArray warnings;
    const auto result = MidiFileReader::read (readingCase.bytes.data(), readingCase.bytes.size(), performance, warnings);

    if (readingCase.expectedEvents == nullptr)
    {
        ASSERT_TRUE (result.failed()) << describe (performance);
        EXPECT_TRUE (result.getErrorMessage().contains (readingCase.expectedMessage)) << result.getErrorMessage();
        EXPECT_EQ (performance.getMidi().getNumEvents(), 0);
        return;
    }

    ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ (describe (performance), readingCase.expectedEvents);

    if (*readingCase.expectedMessage == 0)
    {
        EXPECT_TRUE (warnings.isEmpty()) << warnings.joinIntoString ("\n");
    }
    else
    {
        ASSERT_EQ (warnings.size(), 1) << warnings.joinIntoString ("\n");
        EXPECT_TRUE (warnings[0].contains (readingCase.expectedMessage)) << warnings[0];
    }

    // The same bytes always read the same.
    Performance again;
    juce::StringArray warningsAgain;
    ASSERT_TRUE (MidiFileReader::read (readingCase.bytes.data(), readingCase.bytes.size(), again, warningsAgain).wasOk());
    EXPECT_EQ (describe (again), describe (performance));
}

// Files that made the reader we had before go wrong, each with what it reads as now.
INSTANTIATE_TEST_SUITE_P (
    HostileAndOddFiles, MidiFileReading,
    testing::Values (
        ReadingCase { "tempo event of 0 bytes",
                      file (0, 480, { join ({ { 0x00, 0xff, 0x51, 0x00 }, halfSecondNote, endOfTrack }) }),
                      halfSecondNoteEvents, "the tempo event at byte offset 23 holds 0 bytes, not 3; it is ignored" },
        ReadingCase { "tempo event of 1 byte",
                      file (0, 480, { join ({ { 0x00, 0xff, 0x51, 0x01, 0x07 }, halfSecondNote, endOfTrack }) }),
                      halfSecondNoteEvents, "the tempo event at byte offset 23 holds 1 byte, not 3" },
        ReadingCase { "lone meta status as the track's last byte",
                      file (0, 480, { join ({ halfSecondNote, { 0x00, 0xff } }) }),
                      nullptr, "the meta event at byte offset 32 is cut off by the end of the file" },
        ReadingCase { "clock after a note-on, one byte long",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0xf8, 0x83, 0x60, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      "0.000 90 3c 64, 0.000 f8, 0.500 80 3c 00", "" },
        ReadingCase { "program change equal to the note, two bytes long",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0xc0, 0x3c, 0x83, 0x60, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      "0.000 90 3c 64, 0.000 c0 3c, 0.500 80 3c 00", "" },
        ReadingCase { "time division 0",
                      file (0, 0, { { 0x00, 0x90, 0x3c, 0x64, 0x60, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      nullptr, "the time division at byte offset 12 is 0 ticks a quarter note" },
        ReadingCase { "SMPTE division with 0 ticks a frame",
                      file (0, 0xe700, { { 0x00, 0x90, 0x3c, 0x64, 0x64, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      nullptr, "the SMPTE time division at byte offset 12 has 0 ticks a frame" },
        ReadingCase { "SMPTE division 0x8000, 0 frames a second",
                      file (0, 0x8000, { { 0x00, 0x90, 0x3c, 0x64, 0x64, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      nullptr, "the SMPTE time division at byte offset 12 has 0 frames a second" },
        ReadingCase { "65535 tracks declared and none there",
                      header (1, 65535, 480),
                      nullptr, "the header declares 65535 tracks, but the file holds only 0 (it ends at byte offset 14)" },
        ReadingCase { "the largest delta time", hugeDelta(), "0.000 90 3c 64, 279620.266 80 3c 00", "" },
        ReadingCase { "the largest delta time at the slowest tempo and 1 tick a quarter note",
                      file (0, 1, { { 0x00, 0xff, 0x51, 0x03, 0xff, 0xff, 0xff, 0x00, 0x90, 0x3c, 0x64,
                                      0xff, 0xff, 0xff, 0x7f, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      "0.000 90 3c 64, 4503599342.158 80 3c 00", "" },
        ReadingCase { "notes never let go are released at the end of the file", noNoteOffs(),
                      "0.000 90 3c 64, 0.000 90 40 64, 0.250 90 43 64, 0.500 90 48 64, "
                      "1.000 80 3c 00, 1.000 80 40 00, 1.000 80 43 00, 1.000 80 48 00", "" },
        ReadingCase { "SysEx split into packets",
                      file (0, 480, { join ({ { 0x00, 0xf0, 0x03, 0x43, 0x12, 0x00, 0x0a, 0xf7, 0x02, 0x43, 0xf7 },
                                              halfSecondNote, endOfTrack }) }),
                      "0.010 f0 43 12 00 43 f7, 0.010 90 3c 64, 0.510 80 3c 00", "" },
        ReadingCase { "F7 escape after a note",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0xf7, 0x02, 0x40, 0x50,
                                        0x83, 0x60, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } }),
                      halfSecondNoteEvents, "" }));

// What Standard MIDI Files may hold, and how leniently the reader takes what players take.
INSTANTIATE_TEST_SUITE_P (
    ValidShapes, MidiFileReading,
    testing::Values (
        ReadingCase { "format 0 with running status and no End of Track",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x83, 0x60, 0x3c, 0x00, 0x00, 0x40, 0x50, 0x83, 0x60, 0x40, 0x00 } }),
                      "0.000 90 3c 64, 0.500 90 3c 00, 0.500 90 40 50, 1.000 90 40 00", "" },
        ReadingCase { "format 1: the first track's tempo holds for every track",
                      file (1, 480, { join ({ oneSecondTempo, endOfTrack }), join ({ halfSecondNote, endOfTrack }) }),
                      "0.000 90 3c 64, 1.000 80 3c 00", "" },
        ReadingCase { "format 1: a tempo change in a later track holds for every track",
                      file (1, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x87, 0x40, 0x80, 0x3c, 0x00 },
                                      { 0x83, 0x60, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40 } }),
                      "0.000 90 3c 64, 1.500 80 3c 00", "" },
        ReadingCase { "format 1: tracks merged in order of time",
                      file (1, 480, { join ({ halfSecondNote, endOfTrack }),
                                      { 0x81, 0x70, 0xb0, 0x01, 0x40, 0x00, 0x90, 0x40, 0x50, 0x83, 0x60, 0x80, 0x40, 0x00 } }),
                      "0.000 90 3c 64, 0.250 b0 01 40, 0.250 90 40 50, 0.500 80 3c 00, 0.750 80 40 00", "" },
        ReadingCase { "format 2: tracks one after another, each with its own tempo",
                      file (2, 480, { join ({ oneSecondTempo, halfSecondNote, { 0x83, 0x60, 0xff, 0x2f, 0x00 } }),
                                      join ({ halfSecondNote, endOfTrack }) }),
                      "0.000 90 3c 64, 1.000 80 3c 00, 2.000 90 3c 64, 2.500 80 3c 00", "" },
        ReadingCase { "SMPTE division: 25 frames of 40 ticks, tempo events have no effect",
                      file (0, 0xe728, { join ({ oneSecondTempo, { 0x00, 0x90, 0x3c, 0x64, 0x83, 0x74, 0x80, 0x3c, 0x00 } }) }),
                      halfSecondNoteEvents, "" },
        ReadingCase { "SMPTE division: 30 drop-frame is 29.97 frames a second",
                      file (0, 0xe364, { { 0x00, 0x90, 0x3c, 0x64, 0x97, 0x35, 0x80, 0x3c, 0x00 } }),
                      "0.000 90 3c 64, 1.000 80 3c 00", "" },
        ReadingCase { "running status kept across meta and SysEx events",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0xff, 0x01, 0x02, 'h', 'i',
                                        0x00, 0xf0, 0x02, 0x7e, 0xf7, 0x83, 0x60, 0x3c, 0x00 } }),
                      "0.000 90 3c 64, 0.000 f0 7e f7, 0.500 90 3c 00", "" },
        ReadingCase { "a SysEx message in one piece",
                      file (0, 480, { join ({ { 0x00, 0xf0, 0x05, 0x7e, 0x7f, 0x09, 0x01, 0xf7 }, halfSecondNote }) }),
                      "0.000 f0 7e 7f 09 01 f7, 0.000 90 3c 64, 0.500 80 3c 00", "" },
        ReadingCase { "chunks of unknown types skipped",
                      join ({ header (1, 2, 480), chunk ("XFIH", { 1, 2, 3 }), chunk ("MTrk", join ({ halfSecondNote, endOfTrack })),
                              chunk ("\x01\x02\x03\x04", {}), chunk ("MTrk", endOfTrack) }),
                      halfSecondNoteEvents, "" },
        ReadingCase { "events after the End of Track ignored",
                      file (0, 480, { join ({ halfSecondNote, endOfTrack, { 0x00, 0x90, 0x40, 0x64 } }) }),
                      halfSecondNoteEvents, "" },
        ReadingCase { "data bytes above 127 masked to 7 bits",
                      file (0, 480, { { 0x00, 0x90, 0xbc, 0xe4, 0x83, 0x60, 0x80, 0xbc, 0x80 } }),
                      halfSecondNoteEvents, "" },
        ReadingCase { "a key struck again at the tick it is let go sounds again",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x83, 0x60, 0x90, 0x3c, 0x64, 0x00, 0x80, 0x3c, 0x00,
                                        0x83, 0x60, 0x80, 0x3c, 0x00 } }),
                      "0.000 90 3c 64, 0.500 80 3c 00, 0.500 90 3c 64, 1.000 80 3c 00", "" },
        ReadingCase { "other keys at that tick keep their order",
                      file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0x90, 0x40, 0x64, 0x83, 0x60, 0x90, 0x43, 0x64,
                                        0x00, 0x80, 0x40, 0x00, 0x00, 0x80, 0x3c, 0x00, 0x00, 0x80, 0x43, 0x00 } }),
                      "0.000 90 3c 64, 0.000 90 40 64, 0.500 80 43 00, 0.500 90 43 64, 0.500 80 40 00, 0.500 80 3c 00, "
                      "0.500 80 43 00", "" },
        ReadingCase { "a file wrapped in RIFF",
                      riffMidi (file (0, 480, { join ({ halfSecondNote, endOfTrack }) })),
                      halfSecondNoteEvents, "" },
        ReadingCase { "anything after the declared tracks ignored",
                      join ({ file (0, 480, { join ({ halfSecondNote, endOfTrack }) }), { 0x1a, 0x1a, 0x1a } }),
                      halfSecondNoteEvents, "" },
        ReadingCase { "fewer tracks than declared, within the margin",
                      join ({ header (1, 17, 480), chunk ("MTrk", join ({ halfSecondNote, endOfTrack })) }),
                      halfSecondNoteEvents, "the header declares 17 tracks, but the file holds only 1; playing those" }));

// Defects that are stepped over with a warning.
INSTANTIATE_TEST_SUITE_P (
    Warnings, MidiFileReading,
    testing::Values (
        ReadingCase { "tempo event of 4 bytes, not read past its end",
                      file (0, 480, { join ({ { 0x00, 0xff, 0x51, 0x04, 0x0f, 0x42, 0x40, 0x00 }, halfSecondNote }) }),
                      halfSecondNoteEvents, "the tempo event at byte offset 23 holds 4 bytes, not 3; it is ignored" },
        ReadingCase { "tempo of 0",
                      file (0, 480, { join ({ { 0x00, 0xff, 0x51, 0x03, 0x00, 0x00, 0x00 }, halfSecondNote }) }),
                      halfSecondNoteEvents, "the tempo event at byte offset 23 sets 0 microseconds a quarter note" },
        ReadingCase { "time signature of 3 bytes",
                      file (0, 480, { join ({ { 0x00, 0xff, 0x58, 0x03, 0x04, 0x02, 0x18 }, halfSecondNote }) }),
                      halfSecondNoteEvents, "the time signature event at byte offset 23 holds 3 bytes, not 4" },
        ReadingCase { "SysEx never finished",
                      file (0, 480, { join ({ { 0x00, 0xf0, 0x02, 0x43, 0x12 }, halfSecondNote }) }),
                      halfSecondNoteEvents, "the SysEx message at byte offset 23 is never finished; it is left out" }));

// Defects that leave the timing or the framing of the music unknown.
INSTANTIATE_TEST_SUITE_P (
    Refusals, MidiFileReading,
    testing::Values (
        ReadingCase { "empty file", {}, nullptr, "it is not a Standard MIDI File" },
        ReadingCase { "text", text ("C D E F G"), nullptr, "it is not a Standard MIDI File (it does not begin with \"MThd\")" },
        ReadingCase { "RIFF file without MIDI data", join ({ text ("RIFF"), littleEndian (4), text ("RMID") }),
                      nullptr, "it is a RIFF MIDI file without MIDI data" },
        ReadingCase { "header of 10 bytes",
                      join ({ chunk ("MThd", { 0, 0, 0, 1, 0x01, 0xe0, 0, 0, 0, 0 }), chunk ("MTrk", halfSecondNote) }),
                      nullptr, "the header at byte offset 0 is 10 bytes long, not 6" },
        ReadingCase { "header cut off", { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1 },
                      nullptr, "the header at byte offset 0 is cut off by the end of the file" },
        ReadingCase { "format 3", file (3, 480, { halfSecondNote }), nullptr, "format 3 at byte offset 8 is not 0, 1 or 2" },
        ReadingCase { "track chunk cut off",
                      join ({ header (0, 1, 480), text ("MTrk"), bigEndian (100, 4), halfSecondNote }),
                      nullptr, "the \"MTrk\" chunk at byte offset 14 claims 100 bytes, but only 9 follow" },
        ReadingCase { "chunk header cut off",
                      join ({ header (1, 2, 480), chunk ("MTrk", halfSecondNote), text ("MTr") }),
                      nullptr, "the chunk header at byte offset 31 is cut off by the end of the file" },
        ReadingCase { "note-on cut off by the end of its track chunk",
                      file (1, 480, { { 0x00, 0x90, 0x3c }, halfSecondNote }),
                      nullptr, "the note-on at byte offset 23 is cut off by the end of its track chunk (at byte offset 25)" },
        ReadingCase { "delta time cut off", file (0, 480, { join ({ halfSecondNote, { 0x83 } }) }),
                      nullptr, "the delta time at byte offset 31 is cut off by the end of the file" },
        ReadingCase { "delta time with no event", file (0, 480, { join ({ halfSecondNote, { 0x00 } }) }),
                      nullptr, "the event at byte offset 31 is cut off by the end of the file" },
        ReadingCase { "delta time longer than 4 bytes",
                      file (0, 480, { { 0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3c, 0x64 } }),
                      nullptr, "the variable-length number at byte offset 22 is longer than 4 bytes" },
        ReadingCase { "data byte with no running status", file (0, 480, { { 0x00, 0x3c, 0x64 } }),
                      nullptr, "the data byte 0x3c at byte offset 23 stands where an event must begin" },
        ReadingCase { "SysEx longer than its track", file (0, 480, { { 0x00, 0xf0, 0x10, 0x43, 0x12 } }),
                      nullptr, "the SysEx event at byte offset 23 is cut off by the end of the file" },
        ReadingCase { "meta event longer than its track", file (0, 480, { { 0x00, 0xff, 0x03, 0x10, 'a' } }),
                      nullptr, "the meta event at byte offset 23 is cut off by the end of the file" },
        ReadingCase { "no note", file (0, 480, { join ({ { 0x00, 0xb0, 0x01, 0x40, 0x00, 0x90, 0x3c, 0x00 }, endOfTrack }) }),
                      nullptr, "it holds no note to play (no note-on in its 1 track)" },
        ReadingCase { "more tracks missing than the margin",
                      join ({ header (1, 18, 480), chunk ("MTrk", join ({ halfSecondNote, endOfTrack })) }),
                      nullptr, "the header declares 18 tracks, but the file holds only 1 (it ends at byte offset 35)" }));

TEST (MidiFileReader, ReadsAFileThatJuceWrote)
{
    TemporaryFolder folder;
    const auto file = folder.getFile ("tempo.mid");

    // 480 ticks a quarter note: two beats at 120 beats a minute take 1 s, after which the tempo
    // halves, so each further beat takes 1 s.
    juce::MidiMessageSequence conductor;
    conductor.addEvent (juce::MidiMessage::tempoMetaEvent (500000), 0.0);
    conductor.addEvent (juce::MidiMessage::tempoMetaEvent (1000000), 960.0);

    juce::MidiMessageSequence melody;
    melody.addEvent (juce::MidiMessage::textMetaEvent (3, "Lead"), 0.0);
    melody.addEvent (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 100), 480.0);
    melody.addEvent (juce::MidiMessage::noteOff (1, 69), 1440.0);

    juce::MidiMessageSequence wheel;
    wheel.addEvent (juce::MidiMessage::controllerEvent (2, 1, 64), 1200.0);

    RenderTestSupport::writeMidiFile (file, { conductor, melody, wheel }, 480);

    Performance performance;
    juce::StringArray warnings;
    const auto result = MidiFileReader::read (file, performance, warnings);
    ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
    EXPECT_TRUE (warnings.isEmpty());

    // Meta events (tempo, track name, end of track) are gone; the rest is in time order.
    EXPECT_EQ (describe (performance), "0.500 90 45 64, 1.500 b1 01 40, 2.000 80 45 00");
    EXPECT_NEAR (performance.getEndTime(), 2.0, 1.0e-9);
}

namespace
{
    /** A well-formed format 1 file as JUCE writes it: tempo changes in the first track, and in
        every track notes of at least one tick, controllers, pitch bends, program changes,
        channel pressure, SysEx and texts at random ticks. */
    juce::MemoryBlock writeRandomFile (juce::Random& random, int timeFormat)
    {
        juce::MidiFile midiFile;

        if (timeFormat > 0)
            midiFile.setTicksPerQuarterNote (timeFormat);
        else
            midiFile.setSmpteTimeFormat (-timeFormat, 40);

        const auto numTracks = 1 + random.nextInt (4);

        for (int track = 0; track < numTracks; ++track)
        {
            juce::MidiMessageSequence sequence;
            const auto tick = [&random] { return (double) random.nextInt (20000); };

            if (track == 0)
                for (int i = random.nextInt (20); --i >= 0;)
                    sequence.addEvent (juce::MidiMessage::tempoMetaEvent (200000 + random.nextInt (1300000)), tick());

            for (int i = random.nextInt (60); --i >= 0;)
            {
                const auto channel = 1 + random.nextInt (16);
                const auto note = random.nextInt (128);
                const auto start = tick();
                sequence.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) (1 + random.nextInt (127))), start);
                sequence.addEvent (juce::MidiMessage::noteOff (channel, note, (juce::uint8) random.nextInt (128)),
                                   start + 1 + random.nextInt (2000));
            }

            for (int i = random.nextInt (30); --i >= 0;)
            {
                const auto channel = 1 + random.nextInt (16);

                switch (random.nextInt (5))
                {
                    case 0:  sequence.addEvent (juce::MidiMessage::controllerEvent (channel, random.nextInt (120), random.nextInt (128)), tick()); break;
                    case 1:  sequence.addEvent (juce::MidiMessage::pitchWheel (channel, random.nextInt (16384)), tick()); break;
                    case 2:  sequence.addEvent (juce::MidiMessage::programChange (channel, random.nextInt (128)), tick()); break;
                    case 3:  sequence.addEvent (juce::MidiMessage::channelPressureChange (channel, random.nextInt (128)), tick()); break;
                    default: sequence.addEvent (juce::MidiMessage::textMetaEvent (1, "cue"), tick()); break;
                }
            }

            if (random.nextBool())
            {
                const juce::uint8 data[] { 0x7e, 0x7f, 0x09, 0x01 };
                sequence.addEvent (juce::MidiMessage::createSysExMessage (data, (int) sizeof (data)), tick());
            }

            midiFile.addTrack (sequence);
        }

        juce::MemoryOutputStream stream;
        midiFile.writeTo (stream, 1);
        return stream.getMemoryBlock();
    }

    struct TimedBytes
    {
        std::string bytes;
        double time;
    };

    /** Every event but the meta events, sorted by bytes and then by time, so that the order of
        events that share a tick does not matter. */
    std::vector<TimedBytes> describeSorted (const juce::MidiMessageSequence& sequence)
    {
        std::vector<TimedBytes> events;

        for (const auto* holder : sequence)
            if (! holder->message.isMetaEvent())
                events.push_back ({ describeBytes (holder->message), holder->message.getTimeStamp() });

        std::sort (events.begin(), events.end(),
                   [] (const TimedBytes& a, const TimedBytes& b) { return std::tie (a.bytes, a.time) < std::tie (b.bytes, b.time); });
        return events;
    }
}

TEST (MidiFileReader, ReadsWellFormedFilesAsJuceReadThem)
{
    // The reading that warble-render did with juce::MidiFile before it had a reader of its own
    // is the reference for every file that JUCE itself writes.
    juce::Random random (20261210);

    for (int round = 0; round < 60; ++round)
    {
        const int timeFormats[] { 96, 480, 960, -25, -30 };
        const auto timeFormat = timeFormats[round % 5];
        const auto bytes = writeRandomFile (random, timeFormat);
        SCOPED_TRACE ("round " + std::to_string (round) + ", time format " + std::to_string (timeFormat));

        juce::MidiFile reference;
        juce::MemoryInputStream stream (bytes, false);
        ASSERT_TRUE (reference.readFrom (stream, true));
        reference.convertTimestampTicksToSeconds();
        juce::MidiMessageSequence referenceEvents;

        for (int track = 0; track < reference.getNumTracks(); ++track)
            referenceEvents.addSequence (*reference.getTrack (track), 0.0);

        Performance performance;
        juce::StringArray warnings;
        const auto result = MidiFileReader::read (bytes.getData(), bytes.getSize(), performance, warnings);

        if (referenceEvents.getNumEvents() == 0 || ! std::any_of (referenceEvents.begin(), referenceEvents.end(),
                                                                  [] (const auto* h) { return h->message.isNoteOn(); }))
        {
            EXPECT_TRUE (result.failed());
            continue;
        }

        ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
        EXPECT_TRUE (warnings.isEmpty()) << warnings.joinIntoString ("\n");
        const auto read = describeSorted (performance.getMidi());
        const auto expected = describeSorted (referenceEvents);
        ASSERT_EQ (read.size(), expected.size());

        // The times are summed in another order, so they may differ in the last bits.
        for (std::size_t i = 0; i < read.size(); ++i)
        {
            EXPECT_EQ (read[i].bytes, expected[i].bytes);
            EXPECT_NEAR (read[i].time, expected[i].time, 1.0e-9) << read[i].bytes;
        }
    }
}

TEST (MidiFileReader, RefusesWhatIsNotAReadableMidiFile)
{
    TemporaryFolder folder;
    const auto notes = folder.getFile ("notes.mid");
    ASSERT_TRUE (notes.replaceWithText ("C D E F G"));
    const auto empty = folder.getFile ("empty.mid");
    ASSERT_TRUE (empty.create().wasOk());
    const auto cutOff = folder.getFile ("cut.mid");
    write (cutOff, join ({ header (0, 1, 480), text ("MTrk"), bigEndian (100, 4) }));

    const std::pair<juce::File, const char*> cases[] = {
        { folder.getFile ("missing.mid"), "no such file" },
        { folder.getFile ("missing.mid").getParentDirectory(), "it is a directory" },
        { notes, "is not a Standard MIDI File" },
        { empty, "is not a Standard MIDI File" },
        { cutOff, "the \"MTrk\" chunk at byte offset 14 claims 100 bytes, but only 0 follow" },
    };

    for (const auto& [file, expected] : cases)
    {
        Performance performance;
        juce::StringArray warnings;
        const auto result = MidiFileReader::read (file, performance, warnings);

        ASSERT_TRUE (result.failed()) << file.getFullPathName();
        EXPECT_TRUE (result.getErrorMessage().startsWith ("cannot read MIDI file " + file.getFullPathName() + ": "))
            << result.getErrorMessage();
        EXPECT_TRUE (result.getErrorMessage().contains (expected)) << result.getErrorMessage();
        EXPECT_EQ (performance.getMidi().getNumEvents(), 0);
    }
}

TEST (MidiFileReader, CountsTheWarningsBeyondItsLimit)
{
    Bytes events;

    for (int i = 0; i < MidiFileReader::maxWarnings + 5; ++i)
        events = join ({ events, { 0x00, 0xff, 0x51, 0x00 } });

    const auto bytes = file (0, 480, { join ({ events, halfSecondNote }) });
    Performance performance;
    juce::StringArray warnings;
    ASSERT_TRUE (MidiFileReader::read (bytes.data(), bytes.size(), performance, warnings).wasOk());

    ASSERT_EQ (warnings.size(), MidiFileReader::maxWarnings + 1);
    EXPECT_EQ (warnings[MidiFileReader::maxWarnings], "... and 5 more warnings");
}

namespace
{
    /** The four shapes of file that made the reader we had before take quadratic time, at about
        64 kB each. */
    constexpr int shapeRepeats = 16000;

    void append (Bytes& bytes, const Bytes& more)
    {
        bytes.insert (bytes.end(), more.begin(), more.end());
    }

    Performance readShape (const Bytes& bytes)
    {
        Performance performance;
        juce::StringArray warnings;
        const auto result = MidiFileReader::read (bytes.data(), bytes.size(), performance, warnings);
        EXPECT_TRUE (result.wasOk()) << result.getErrorMessage();
        EXPECT_TRUE (warnings.isEmpty());
        return performance;
    }
}

TEST (MidiFileReader, ReadsManyTempoChanges)
{
    // A tempo change at every tick, alternating between 1 s and 0.5 s a quarter note, across a note.
    Bytes contents { 0x00, 0x90, 0x3c, 0x64 };

    for (int i = 0; i < shapeRepeats; ++i)
        append (contents, i % 2 == 0 ? Bytes { 0x01, 0xff, 0x51, 0x03, 0x0f, 0x42, 0x40 }
                                     : Bytes { 0x01, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20 });

    append (contents, { 0x01, 0x80, 0x3c, 0x00 });
    const auto performance = readShape (file (0, 480, { contents }));

    // The first tick at the default tempo, then each at the tempo set at its start.
    auto expectedEnd = 0.5 / 480.0;

    for (int i = 0; i < shapeRepeats; ++i)
        expectedEnd += (i % 2 == 0 ? 1.0 : 0.5) / 480.0;

    ASSERT_EQ (performance.getMidi().getNumEvents(), 2);
    EXPECT_NEAR (performance.getEndTime(), expectedEnd, 1.0e-9);
}

TEST (MidiFileReader, ReadsManyNotesAtOneTick)
{
    // Keys struck and let go at tick 0, again and again: every note-off goes before its
    // note-on, so all the keys sound until the end of the file.
    Bytes contents { 0x00, 0x90, 0x00, 0x64, 0x00, 0x00, 0x00 };

    for (int i = 1; i < shapeRepeats; ++i)
        append (contents, { 0x00, (std::uint8_t) (i % 128), 0x64, 0x00, (std::uint8_t) (i % 128), 0x00 });

    const auto performance = readShape (file (0, 480, { join ({ contents, endOfTrack }) }));
    const auto& midi = performance.getMidi();
    ASSERT_EQ (midi.getNumEvents(), 2 * shapeRepeats + 128);

    for (int i = 0; i < 2 * shapeRepeats; i += 2)
    {
        const auto& off = midi.getEventPointer (i)->message;
        const auto& on = midi.getEventPointer (i + 1)->message;
        ASSERT_TRUE (off.isNoteOff() && on.isNoteOn() && off.getNoteNumber() == on.getNoteNumber()) << "event " << i;
    }

    EXPECT_TRUE (midi.getEventPointer (midi.getNumEvents() - 1)->message.isNoteOff());
    EXPECT_DOUBLE_EQ (performance.getEndTime(), 0.0);
}

TEST (MidiFileReader, ReadsOneKeyStruckAgainAndAgain)
{
    Bytes contents { 0x00, 0x90, 0x3c, 0x64 };

    for (int i = 0; i < shapeRepeats; ++i)
        append (contents, { 0x01, 0x3c, 0x64 });

    const auto performance = readShape (file (0, 480, { join ({ contents, endOfTrack }) }));
    const auto& midi = performance.getMidi();

    // Every strike lets the key go first, and the last is released at the end.
    ASSERT_EQ (midi.getNumEvents(), 2 * (shapeRepeats + 1));

    for (int i = 0; i < midi.getNumEvents(); ++i)
        ASSERT_EQ (midi.getEventPointer (i)->message.isNoteOn(), i % 2 == 0) << "event " << i;

    EXPECT_NEAR (performance.getEndTime(), shapeRepeats * 0.5 / 480.0, 1.0e-9);
}

TEST (MidiFileReader, ReadsManyNotesNeverLetGo)
{
    Bytes contents;

    for (int i = 0; i < shapeRepeats; ++i)
        append (contents, { 0x00, (std::uint8_t) (0x90 | (i / 128) % 16), (std::uint8_t) (i % 128), 0x64 });

    append (contents, { 0x60, 0xff, 0x2f, 0x00 });
    const auto performance = readShape (file (0, 480, { contents }));
    const auto& midi = performance.getMidi();

    // A key struck again is let go just before, and every key of every channel is released once
    // more at the End of Track.
    constexpr int numKeys = 16 * 128;
    ASSERT_EQ (midi.getNumEvents(), shapeRepeats + (shapeRepeats - numKeys) + numKeys);

    for (int i = 0; i < midi.getNumEvents(); ++i)
    {
        const auto atTheEnd = i >= midi.getNumEvents() - numKeys;
        ASSERT_TRUE (! atTheEnd || midi.getEventPointer (i)->message.isNoteOff()) << "event " << i;
        ASSERT_DOUBLE_EQ (midi.getEventTime (i), atTheEnd ? 0.1 : 0.0) << "event " << i;
    }
}
