#include "MidiFileReader.h"

#include "TempoMap.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

namespace
{
    constexpr int numKeys = 16 * 128;

    /** A track's event before its time in seconds is known. Channel and system messages keep
        their bytes here; a SysEx message is kept aside in its track, and size 0 points to it. */
    struct TrackEvent
    {
        std::int64_t tick = 0;
        std::uint32_t sysExIndex = 0;
        std::array<std::uint8_t, 3> bytes {};
        std::uint8_t size = 0;

        bool isNoteOn() const noexcept
        {
            return size == 3 && (bytes[0] & 0xf0) == 0x90 && bytes[2] != 0;
        }

        bool isNoteOff() const noexcept
        {
            return size == 3 && ((bytes[0] & 0xf0) == 0x80 || ((bytes[0] & 0xf0) == 0x90 && bytes[2] == 0));
        }

        /** Channel and note number together. */
        int getKey() const noexcept
        {
            return (bytes[0] & 0x0f) * 128 + bytes[1];
        }
    };

    struct Track
    {
        std::vector<TrackEvent> events;
        std::vector<juce::MidiMessage> sysExMessages;
        std::vector<TempoMap::TempoChange> tempoChanges;
        std::int64_t endTick = 0;
        std::int64_t numNotes = 0;
    };

    struct TimeDivision
    {
        int ticksPerQuarterNote = 0;
        double framesPerSecond = 0.0;
        int ticksPerFrame = 0;

        TempoMap createTempoMap (std::vector<TempoMap::TempoChange> tempoChanges) const
        {
            if (ticksPerQuarterNote > 0)
                return { ticksPerQuarterNote, std::move (tempoChanges) };

            return { framesPerSecond, ticksPerFrame };
        }
    };

    juce::String describeOffset (std::size_t offset)
    {
        return "at byte offset " + juce::String ((juce::int64) offset);
    }

    juce::String describeByteCount (std::uint32_t count)
    {
        return juce::String ((juce::int64) count) + (count == 1 ? " byte" : " bytes");
    }

    juce::String describeEvent (std::uint8_t status)
    {
        switch (status & 0xf0)
        {
            case 0x80: return "note-off";
            case 0x90: return "note-on";
            case 0xa0: return "key pressure event";
            case 0xb0: return "controller event";
            case 0xc0: return "program change";
            case 0xd0: return "channel pressure event";
            case 0xe0: return "pitch bend event";
            default:   break;
        }

        switch (status)
        {
            case 0xf0: return "SysEx event";
            case 0xf7: return "SysEx packet";
            case 0xff: return "meta event";
            default:   return "system message";
        }
    }

    /** The data bytes that follow a status byte other than F0, F7 and FF. */
    int getNumDataBytes (std::uint8_t status)
    {
        if (status < 0xf0)
            return (status & 0xe0) == 0xc0 ? 1 : 2;

        switch (status)
        {
            case 0xf1: case 0xf3: return 1;
            case 0xf2:            return 2;
            default:              return 0;
        }
    }

    /** The lengths that the meta events of a known type must have, or nullopt where any length
        is right (texts, sequencer-specific data, types unknown here). */
    struct MetaLength
    {
        const char* name;
        int length;
        int alternativeLength;
    };

    std::optional<MetaLength> getRequiredLength (std::uint8_t type)
    {
        switch (type)
        {
            case 0x00: return MetaLength { "sequence number", 2, 0 };
            case 0x20: return MetaLength { "channel prefix", 1, 1 };
            case 0x21: return MetaLength { "port", 1, 1 };
            case 0x2f: return MetaLength { "End of Track", 0, 0 };
            case 0x51: return MetaLength { "tempo", 3, 3 };
            case 0x54: return MetaLength { "SMPTE offset", 5, 5 };
            case 0x58: return MetaLength { "time signature", 4, 4 };
            case 0x59: return MetaLength { "key signature", 2, 2 };
            default:   return std::nullopt;
        }
    }

    /** Warning lines, up to a limit, and then one line that counts the rest. */
    class WarningList
    {
    public:
        explicit WarningList (juce::StringArray& destination) : lines (destination) {}

        void add (const juce::String& line)
        {
            if (count++ < MidiFileReader::maxWarnings)
                lines.add (line);
        }

        void finish()
        {
            if (count > MidiFileReader::maxWarnings)
                lines.add ("... and " + juce::String (count - MidiFileReader::maxWarnings) + " more warnings");
        }

    private:
        juce::StringArray& lines;
        int count = 0;
    };

    /** Puts a note-off before a note-on of the same key at the same tick, when the file has them
        the other way round: the note-off ends the previous note, and the key sounds again. Each
        tick's events are looked at once, with a table of the keys struck at that tick, and moved
        in one more pass. */
    void putNoteOffsBeforeNoteOnsOfTheirKey (std::vector<TrackEvent>& events)
    {
        if (events.size() < 2)
            return;

        constexpr auto none = std::numeric_limits<std::uint32_t>::max();
        std::vector<std::uint32_t> struckAtTick (numKeys, 0);
        std::vector<std::uint32_t> struckPosition (numKeys, 0);
        std::vector<std::uint32_t> noteOffBefore;
        std::vector<bool> movedAway;
        std::vector<TrackEvent> asRead;
        std::uint32_t tickNumber = 0;

        for (std::size_t start = 0; start < events.size();)
        {
            auto end = start + 1;

            while (end < events.size() && events[end].tick == events[start].tick)
                ++end;

            const auto count = end - start;

            if (count > 1)
            {
                ++tickNumber;
                noteOffBefore.assign (count, none);
                movedAway.assign (count, false);
                auto anyMoved = false;

                for (std::size_t position = 0; position < count; ++position)
                {
                    const auto& event = events[start + position];
                    const auto key = (std::size_t) event.getKey();

                    if (event.isNoteOn() && struckAtTick[key] != tickNumber)
                    {
                        struckAtTick[key] = tickNumber;
                        struckPosition[key] = (std::uint32_t) position;
                    }
                    else if (event.isNoteOff() && struckAtTick[key] == tickNumber)
                    {
                        noteOffBefore[struckPosition[key]] = (std::uint32_t) position;
                        movedAway[position] = true;
                        struckAtTick[key] = 0;
                        anyMoved = true;
                    }
                }

                if (anyMoved)
                {
                    asRead.assign (events.begin() + (std::ptrdiff_t) start, events.begin() + (std::ptrdiff_t) end);
                    auto destination = start;

                    for (std::size_t position = 0; position < count; ++position)
                    {
                        if (movedAway[position])
                            continue;

                        if (noteOffBefore[position] != none)
                            events[destination++] = asRead[noteOffBefore[position]];

                        events[destination++] = asRead[position];
                    }
                }
            }

            start = end;
        }
    }

    /** Lets a key go just before it is struck again while it still sounds, as the reading
        warble-render had before did, so that each strike starts a note of its own: a note-off
        of velocity 0 at the same tick. */
    void releaseKeysStruckAgain (std::vector<TrackEvent>& events)
    {
        std::vector<bool> held (numKeys, false);
        std::vector<TrackEvent> withReleases;

        for (std::size_t index = 0; index < events.size(); ++index)
        {
            const auto& event = events[index];
            const auto key = (std::size_t) event.getKey();

            if (event.isNoteOn())
            {
                if (held[key])
                {
                    if (withReleases.empty())
                    {
                        withReleases.reserve (events.size() + events.size() / 4);
                        withReleases.assign (events.begin(), events.begin() + (std::ptrdiff_t) index);
                    }

                    auto release = event;
                    release.bytes = { (std::uint8_t) (0x80 | (event.bytes[0] & 0x0f)), event.bytes[1], 0 };
                    withReleases.push_back (release);
                }

                held[key] = true;
            }
            else if (event.isNoteOff())
            {
                held[key] = false;
            }

            if (! withReleases.empty())
                withReleases.push_back (event);
        }

        if (! withReleases.empty())
            events.swap (withReleases);
    }

    juce::MidiMessage toMessage (const TrackEvent& event, const Track& track, double timeInSeconds)
    {
        if (event.size == 0)
        {
            auto message = track.sysExMessages[event.sysExIndex];
            message.setTimeStamp (timeInSeconds);
            return message;
        }

        const auto& data = event.bytes;

        if (event.size == 1)
            return juce::MidiMessage ((int) data[0], timeInSeconds);

        if (event.size == 2)
            return juce::MidiMessage ((int) data[0], (int) data[1], timeInSeconds);

        return juce::MidiMessage ((int) data[0], (int) data[1], (int) data[2], timeInSeconds);
    }

    /** Reads the chunks of a Standard MIDI File held in memory. Offsets in messages count from
        the start of the file. */
    class StandardMidiFileParser
    {
    public:
        StandardMidiFileParser (const std::uint8_t* fileBytes, std::size_t fileSize, WarningList& warningList)
            : bytes (fileBytes), size (fileSize), warnings (warningList)
        {
        }

        juce::Result parse()
        {
            if (const auto found = findStandardMidiFile(); found.failed())
                return found;

            if (const auto header = readHeader(); header.failed())
                return header;

            return readTracks();
        }

        /** Adds the parsed tracks to the performance, with their times in seconds. */
        juce::Result play (Performance& performance) const
        {
            std::int64_t numNotes = 0;

            for (const auto& track : tracks)
                numNotes += track.numNotes;

            if (numNotes == 0)
                return juce::Result::fail ("it holds no note to play (no note-on in its "
                                           + juce::String ((int) tracks.size()) + " track"
                                           + (tracks.size() == 1 ? ")" : "s)"));

            juce::MidiMessageSequence events;
            std::vector<bool> held (numKeys, false);
            double endOfFile = 0.0;

            const auto playTracks = [&] (std::size_t first, std::size_t last, double startTime)
            {
                std::vector<TempoMap::TempoChange> tempoChanges;
                std::int64_t endTick = 0;

                for (auto index = first; index < last; ++index)
                {
                    tempoChanges.insert (tempoChanges.end(), tracks[index].tempoChanges.begin(),
                                         tracks[index].tempoChanges.end());
                    endTick = std::max (endTick, tracks[index].endTick);
                }

                const auto tempoMap = division.createTempoMap (std::move (tempoChanges));
                TempoMap::Cursor cursor (tempoMap);

                const auto add = [&] (const TrackEvent& event, const Track& track)
                {
                    if (event.isNoteOn())
                        held[(size_t) event.getKey()] = true;
                    else if (event.isNoteOff())
                        held[(size_t) event.getKey()] = false;

                    events.addEvent (toMessage (event, track, startTime + cursor.toSeconds (event.tick)));
                };

                if (last - first == 1)
                {
                    for (const auto& event : tracks[first].events)
                        add (event, tracks[first]);
                }
                else
                {
                    // Merged in order of time; at one tick, earlier tracks first.
                    struct EventInTrack
                    {
                        std::int64_t tick;
                        std::uint32_t track;
                        std::uint32_t index;
                    };

                    std::vector<EventInTrack> merged;

                    for (auto index = first; index < last; ++index)
                        for (std::size_t i = 0; i < tracks[index].events.size(); ++i)
                            merged.push_back ({ tracks[index].events[i].tick, (std::uint32_t) index, (std::uint32_t) i });

                    std::stable_sort (merged.begin(), merged.end(),
                                      [] (const EventInTrack& a, const EventInTrack& b) { return a.tick < b.tick; });

                    for (const auto& entry : merged)
                        add (tracks[entry.track].events[entry.index], tracks[entry.track]);
                }

                return startTime + cursor.toSeconds (endTick);
            };

            if (format == 2)
            {
                for (std::size_t index = 0; index < tracks.size(); ++index)
                    endOfFile = playTracks (index, index + 1, endOfFile);
            }
            else
            {
                endOfFile = playTracks (0, tracks.size(), 0.0);
            }

            for (int key = 0; key < numKeys; ++key)
                if (held[(size_t) key])
                    events.addEvent (juce::MidiMessage::noteOff (key / 128 + 1, key % 128), endOfFile);

            performance.addMidi (std::move (events));
            return juce::Result::ok();
        }

    private:
        const std::uint8_t* const bytes;
        const std::size_t size;
        WarningList& warnings;

        std::size_t begin = 0, end = 0;
        int format = 0;
        int numDeclaredTracks = 0;
        TimeDivision division;
        std::vector<Track> tracks;

        bool matches (std::size_t offset, const char* text) const
        {
            return size - offset >= 4 && std::memcmp (bytes + offset, text, 4) == 0;
        }

        std::uint32_t readBigEndian (std::size_t offset, int numBytes) const
        {
            std::uint32_t value = 0;

            for (int i = 0; i < numBytes; ++i)
                value = (value << 8) | bytes[offset + (size_t) i];

            return value;
        }

        juce::Result cutOff (const juce::String& what, std::size_t offset, std::size_t limit) const
        {
            return juce::Result::fail (what + " " + describeOffset (offset) + " is cut off by the end of "
                                       + (limit == end ? juce::String ("the file")
                                                       : "its track chunk (" + describeOffset (limit) + ")"));
        }

        /** The MIDI data: the whole file, or the "data" chunk of a RIFF "RMID" file. */
        juce::Result findStandardMidiFile()
        {
            begin = 0;
            end = size;

            if (! (size >= 12 && matches (0, "RIFF") && matches (8, "RMID")))
                return juce::Result::ok();

            for (std::size_t offset = 12; size - offset >= 8;)
            {
                const auto length = (std::size_t) juce::ByteOrder::littleEndianInt (bytes + offset + 4);

                if (length > size - offset - 8)
                    return cutOff ("the RIFF chunk", offset, end);

                if (matches (offset, "data"))
                {
                    begin = offset + 8;
                    end = begin + length;
                    return juce::Result::ok();
                }

                offset += 8 + length + (length & 1);

                if (offset > size)
                    break;
            }

            return juce::Result::fail ("it is a RIFF MIDI file without MIDI data (no \"data\" chunk)");
        }

        juce::Result readHeader()
        {
            if (end - begin < 4 || ! matches (begin, "MThd"))
                return juce::Result::fail ("it is not a Standard MIDI File (it does not begin with \"MThd\")");

            if (end - begin < 8)
                return cutOff ("the header", begin, end);

            if (const auto length = readBigEndian (begin + 4, 4); length != 6)
                return juce::Result::fail ("the header " + describeOffset (begin) + " is " + juce::String (length)
                                           + " bytes long, not 6");

            if (end - begin < 14)
                return cutOff ("the header", begin, end);

            format = (int) readBigEndian (begin + 8, 2);
            numDeclaredTracks = (int) readBigEndian (begin + 10, 2);
            const auto divisionWord = readBigEndian (begin + 12, 2);
            const auto divisionOffset = describeOffset (begin + 12);

            if (format > 2)
                return juce::Result::fail ("format " + juce::String (format) + " " + describeOffset (begin + 8)
                                           + " is not 0, 1 or 2");

            if ((divisionWord & 0x8000) == 0)
            {
                if (divisionWord == 0)
                    return juce::Result::fail ("the time division " + divisionOffset
                                               + " is 0 ticks a quarter note, so no event has a time");

                division.ticksPerQuarterNote = (int) divisionWord;
                return juce::Result::ok();
            }

            // The high byte holds minus the frames a second; -29 stands for 30 drop-frame.
            const auto frames = (int) ((0x100 - (divisionWord >> 8)) & 0x7f);
            const auto ticksPerFrame = (int) (divisionWord & 0xff);

            if (frames == 0)
                return juce::Result::fail ("the SMPTE time division " + divisionOffset + " has 0 frames a second");

            if (ticksPerFrame == 0)
                return juce::Result::fail ("the SMPTE time division " + divisionOffset + " has 0 ticks a frame");

            division.framesPerSecond = frames == 29 ? 30000.0 / 1001.0 : (double) frames;
            division.ticksPerFrame = ticksPerFrame;
            return juce::Result::ok();
        }

        juce::Result readTracks()
        {
            auto offset = begin + 14;

            while ((int) tracks.size() < numDeclaredTracks && offset < end)
            {
                if (end - offset < 8)
                    return cutOff ("the chunk header", offset, end);

                const auto length = (std::size_t) readBigEndian (offset + 4, 4);

                if (length > end - offset - 8)
                    return juce::Result::fail ("the " + describeChunkType (offset) + " chunk " + describeOffset (offset)
                                               + " claims " + juce::String ((juce::int64) length) + " bytes, but only "
                                               + juce::String ((juce::int64) (end - offset - 8))
                                               + " follow: it is cut off by the end of the file");

                if (matches (offset, "MTrk"))
                {
                    tracks.emplace_back();

                    if (const auto track = readTrack (offset + 8, offset + 8 + length, tracks.back()); track.failed())
                        return track;
                }

                offset += 8 + length;
            }

            const auto numFound = (int) tracks.size();

            if (numFound < numDeclaredTracks)
            {
                const auto shortfall = "the header declares " + juce::String (numDeclaredTracks)
                                       + " tracks, but the file holds only " + juce::String (numFound);

                if (numDeclaredTracks - numFound > MidiFileReader::maxMissingTracks)
                    return juce::Result::fail (shortfall + " (it ends " + describeOffset (end) + ")");

                warnings.add (shortfall + "; playing those");
            }

            return juce::Result::ok();
        }

        juce::String describeChunkType (std::size_t offset) const
        {
            juce::String type;

            for (std::size_t i = 0; i < 4; ++i)
            {
                const auto byte = bytes[offset + i];

                if (byte < 0x20 || byte > 0x7e)
                    return "0x" + juce::String::toHexString ((int) readBigEndian (offset, 4)).paddedLeft ('0', 8);

                type += (juce::juce_wchar) byte;
            }

            return type.quoted();
        }

        juce::Result readVariableLength (std::size_t& offset, std::size_t limit, std::uint32_t& value,
                                         const juce::String& what, std::size_t whatOffset) const
        {
            const auto start = offset;
            value = 0;

            for (int i = 0; i < 4; ++i)
            {
                if (offset >= limit)
                    return cutOff (what, whatOffset, limit);

                const auto byte = bytes[offset++];
                value = (value << 7) | (byte & 0x7fu);

                if ((byte & 0x80) == 0)
                    return juce::Result::ok();
            }

            return juce::Result::fail ("the variable-length number " + describeOffset (start)
                                       + " is longer than 4 bytes");
        }

        juce::Result readTrack (std::size_t offset, std::size_t limit, Track& track)
        {
            std::int64_t tick = 0;
            std::uint8_t runningStatus = 0;
            std::vector<std::uint8_t> sysEx;
            std::size_t sysExOffset = 0;

            const auto dropUnfinishedSysEx = [&]
            {
                if (! sysEx.empty())
                    warnings.add ("the SysEx message " + describeOffset (sysExOffset)
                                  + " is never finished; it is left out");

                sysEx.clear();
            };

            while (offset < limit)
            {
                const auto eventOffset = offset;
                std::uint32_t delta = 0;

                if (const auto read = readVariableLength (offset, limit, delta, "the delta time", eventOffset); read.failed())
                    return read;

                if (offset >= limit)
                    return cutOff ("the event", eventOffset, limit);

                tick += delta;
                const auto statusOffset = offset;
                auto status = bytes[offset];

                if (status < 0x80)
                {
                    if (runningStatus == 0)
                        return juce::Result::fail ("the data byte 0x" + juce::String::toHexString ((int) status).paddedLeft ('0', 2)
                                                   + " " + describeOffset (offset)
                                                   + " stands where an event must begin, with no running status to continue");

                    status = runningStatus;
                }
                else
                {
                    ++offset;
                }

                if (status == 0xf0 || status == 0xf7)
                {
                    std::uint32_t length = 0;

                    if (const auto read = readVariableLength (offset, limit, length, describeEvent (status), statusOffset);
                        read.failed())
                        return read;

                    if (length > limit - offset)
                        return cutOff ("the " + describeEvent (status), statusOffset, limit);

                    if (status == 0xf0)
                    {
                        dropUnfinishedSysEx();
                        sysEx.push_back (0xf0);
                        sysExOffset = statusOffset;
                    }
                    else if (sysEx.empty())
                    {
                        // An escape: raw bytes for a device, which no instrument plays; never read as a note.
                        offset += length;
                        continue;
                    }

                    sysEx.insert (sysEx.end(), bytes + offset, bytes + offset + length);
                    offset += length;

                    if (sysEx.size() > 1 && sysEx.back() == 0xf7)
                    {
                        TrackEvent event;
                        event.tick = tick;
                        event.sysExIndex = (std::uint32_t) track.sysExMessages.size();
                        track.sysExMessages.emplace_back (sysEx.data(), (int) sysEx.size());
                        track.events.push_back (event);
                        sysEx.clear();
                    }
                }
                else if (status == 0xff)
                {
                    if (offset >= limit)
                        return cutOff ("the meta event", statusOffset, limit);

                    const auto type = bytes[offset++];
                    std::uint32_t length = 0;

                    if (const auto read = readVariableLength (offset, limit, length, "the meta event", statusOffset);
                        read.failed())
                        return read;

                    if (length > limit - offset)
                        return cutOff ("the meta event", statusOffset, limit);

                    const auto dataOffset = offset;
                    offset += length;

                    if (readMetaEvent (type, dataOffset, length, statusOffset, tick, track))
                        break;
                }
                else
                {
                    const auto numDataBytes = getNumDataBytes (status);

                    if ((std::size_t) numDataBytes > limit - offset)
                        return cutOff ("the " + describeEvent (status), statusOffset, limit);

                    TrackEvent event;
                    event.tick = tick;
                    event.size = (std::uint8_t) (1 + numDataBytes);
                    event.bytes[0] = status;

                    for (int i = 0; i < numDataBytes; ++i)
                        event.bytes[(size_t) i + 1] = bytes[offset++] & 0x7f;

                    // System messages (not expected in a file at all) leave the running status alone.
                    if (status < 0xf0)
                        runningStatus = status;

                    if (event.isNoteOn())
                        ++track.numNotes;

                    track.events.push_back (event);
                }
            }

            dropUnfinishedSysEx();
            track.endTick = tick;
            putNoteOffsBeforeNoteOnsOfTheirKey (track.events);
            releaseKeysStruckAgain (track.events);
            return juce::Result::ok();
        }

        /** Takes what the renderer needs from a meta event; true at the End of Track. */
        bool readMetaEvent (std::uint8_t type, std::size_t dataOffset, std::uint32_t length, std::size_t eventOffset,
                            std::int64_t tick, Track& track)
        {
            const auto required = getRequiredLength (type);

            if (! required.has_value())
                return false;

            if ((int) length != required->length && (int) length != required->alternativeLength)
            {
                warnings.add ("the " + juce::String (required->name) + " event " + describeOffset (eventOffset)
                              + " holds " + describeByteCount (length) + ", not "
                              + juce::String (required->length) + "; it is ignored");
                return false;
            }

            if (type == 0x2f)
                return true;

            if (type == 0x51)
            {
                const auto microsecondsPerQuarterNote = readBigEndian (dataOffset, 3);

                if (microsecondsPerQuarterNote == 0)
                    warnings.add ("the tempo event " + describeOffset (eventOffset)
                                  + " sets 0 microseconds a quarter note; it is ignored");
                else
                    track.tempoChanges.push_back ({ tick, microsecondsPerQuarterNote });
            }

            return false;
        }
    };
}

juce::Result MidiFileReader::read (const void* data, std::size_t numBytes, Performance& performance,
                                   juce::StringArray& warnings)
{
    WarningList warningList (warnings);
    StandardMidiFileParser parser (static_cast<const std::uint8_t*> (data), numBytes, warningList);
    auto result = parser.parse();

    if (result.wasOk())
        result = parser.play (performance);

    warningList.finish();
    return result;
}

juce::Result MidiFileReader::read (const juce::File& file, Performance& performance, juce::StringArray& warnings)
{
    const auto prefix = "cannot read MIDI file " + file.getFullPathName() + ": ";

    if (file.isDirectory())
        return juce::Result::fail (prefix + "it is a directory");

    if (! file.existsAsFile())
        return juce::Result::fail (prefix + "no such file");

    if (file.getSize() > maxFileSize)
        return juce::Result::fail (prefix + "it is " + juce::File::descriptionOfSizeInBytes (file.getSize())
                                   + ", more than the " + juce::File::descriptionOfSizeInBytes (maxFileSize)
                                   + " a MIDI file is allowed");

    juce::FileInputStream stream (file);

    if (! stream.openedOk())
        return juce::Result::fail (prefix + stream.getStatus().getErrorMessage());

    juce::MemoryBlock contents;
    stream.readIntoMemoryBlock (contents, maxFileSize);

    if (const auto result = read (contents.getData(), contents.getSize(), performance, warnings); result.failed())
        return juce::Result::fail (prefix + result.getErrorMessage());

    return juce::Result::ok();
}
