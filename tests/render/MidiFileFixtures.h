#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

/** Standard MIDI Files built byte by byte, so that every defect stands where a test wants it. */
namespace MidiFileFixtures
{
    using Bytes = std::vector<std::uint8_t>;

    inline Bytes join (std::initializer_list<Bytes> parts)
    {
        Bytes joined;

        for (const auto& part : parts)
            joined.insert (joined.end(), part.begin(), part.end());

        return joined;
    }

    inline Bytes bigEndian (std::uint32_t value, int numBytes)
    {
        Bytes bytes;

        for (int shift = 8 * (numBytes - 1); shift >= 0; shift -= 8)
            bytes.push_back ((std::uint8_t) (value >> shift));

        return bytes;
    }

    inline Bytes text (const char* characters)
    {
        return { characters, characters + std::strlen (characters) };
    }

    inline Bytes chunk (const char* type, const Bytes& body)
    {
        return join ({ text (type), bigEndian ((std::uint32_t) body.size(), 4), body });
    }

    inline Bytes header (int format, int numTracks, int division)
    {
        return chunk ("MThd", join ({ bigEndian ((std::uint32_t) format, 2), bigEndian ((std::uint32_t) numTracks, 2),
                                      bigEndian ((std::uint32_t) division, 2) }));
    }

    /** A file whose header declares as many tracks as are given, each a track chunk holding the
        bytes given (delta times and events). */
    inline Bytes file (int format, int division, std::initializer_list<Bytes> trackContents)
    {
        auto bytes = header (format, (int) trackContents.size(), division);

        for (const auto& contents : trackContents)
            bytes = join ({ bytes, chunk ("MTrk", contents) });

        return bytes;
    }

    /** A delta time of 0 and an End of Track. */
    inline const Bytes endOfTrack { 0x00, 0xff, 0x2f, 0x00 };

    /** Note 60 from tick 0 to tick 480: half a second at 480 ticks a quarter note and 120 beats a
        minute. */
    inline const Bytes halfSecondNote { 0x00, 0x90, 0x3c, 0x64, 0x83, 0x60, 0x80, 0x3c, 0x00 };

    /** Three notes that are never let go: 60 and 64 at 0 s, 67 at 0.25 s, 72 at 0.5 s, with the End
        of Track at 1 s. */
    inline Bytes noNoteOffs()
    {
        return file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0x00, 0x90, 0x40, 0x64, 0x81, 0x70, 0x90, 0x43, 0x64,
                                 0x81, 0x70, 0x90, 0x48, 0x64, 0x83, 0x60, 0xff, 0x2f, 0x00 } });
    }

    /** A note, then a delta time of 0x0FFFFFFF ticks, the largest there is, before its note-off:
        over 77 hours at 480 ticks a quarter note. */
    inline Bytes hugeDelta()
    {
        return file (0, 480, { { 0x00, 0x90, 0x3c, 0x64, 0xff, 0xff, 0xff, 0x7f, 0x80, 0x3c, 0x00, 0x00, 0xff, 0x2f, 0x00 } });
    }

    inline void write (const juce::File& destination, const Bytes& bytes)
    {
        destination.replaceWithData (bytes.data(), bytes.size());
    }
}
