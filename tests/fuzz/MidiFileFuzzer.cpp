#include "midi/MidiFileReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// Coverage-guided fuzzing of MIDI file reading (libFuzzer). Whatever the bytes, the reader either
// refuses them and adds nothing, or gives events at finite times in order, with every note it
// starts released and every channel message's data in 7 bits, and the same again on a second
// reading.
namespace
{
    bool sameEvents (const juce::MidiMessageSequence& a, const juce::MidiMessageSequence& b)
    {
        if (a.getNumEvents() != b.getNumEvents())
            return false;

        for (int i = 0; i < a.getNumEvents(); ++i)
        {
            const auto& x = a.getEventPointer (i)->message;
            const auto& y = b.getEventPointer (i)->message;

            const auto xTime = x.getTimeStamp();
            const auto yTime = y.getTimeStamp();

            // Bit for bit: the same file must give exactly the same times.
            if (std::memcmp (&xTime, &yTime, sizeof (xTime)) != 0 || x.getRawDataSize() != y.getRawDataSize()
                || std::memcmp (x.getRawData(), y.getRawData(), (size_t) x.getRawDataSize()) != 0)
                return false;
        }

        return true;
    }

    bool isPlayable (const juce::MidiMessageSequence& midi)
    {
        std::vector<bool> held (16 * 128, false);
        auto anyNote = false;
        auto previousTime = 0.0;

        for (const auto* holder : midi)
        {
            const auto& message = holder->message;
            const auto time = message.getTimeStamp();

            if (! std::isfinite (time) || time < previousTime)
                return false;

            previousTime = time;
            const auto* bytes = message.getRawData();

            if (bytes[0] < 0xf0)
                for (int i = 1; i < message.getRawDataSize(); ++i)
                    if (bytes[i] > 0x7f)
                        return false;

            if (message.isNoteOn())
            {
                held[(size_t) ((message.getChannel() - 1) * 128 + message.getNoteNumber())] = true;
                anyNote = true;
            }
            else if (message.isNoteOff())
            {
                held[(size_t) ((message.getChannel() - 1) * 128 + message.getNoteNumber())] = false;
            }
        }

        return anyNote && std::find (held.begin(), held.end(), true) == held.end();
    }
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    Performance performance;
    juce::StringArray warnings;
    const auto result = MidiFileReader::read (data, size, performance, warnings);

    if (result.failed())
    {
        if (performance.getMidi().getNumEvents() != 0 || result.getErrorMessage().isEmpty())
            std::abort();

        return 0;
    }

    if (warnings.size() > MidiFileReader::maxWarnings + 1 || ! isPlayable (performance.getMidi()))
        std::abort();

    Performance again;
    juce::StringArray warningsAgain;

    if (MidiFileReader::read (data, size, again, warningsAgain).failed() || warningsAgain != warnings
        || ! sameEvents (again.getMidi(), performance.getMidi()))
        std::abort();

    return 0;
}
