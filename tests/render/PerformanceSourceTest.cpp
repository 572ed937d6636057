#include "RenderTestSupport.h"
#include "midi/DemoPerformance.h"

#include <map>

TEST (Performance, KeepsTheOrderOfEventsThatShareATime)
{
    Performance performance;
    performance.addMidi (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 90), 1.0);
    performance.addMidi (juce::MidiMessage::noteOff (1, 60), 1.0);
    performance.addMidi (juce::MidiMessage::noteOn (1, 62, (juce::uint8) 90), 0.5);
    performance.addParameterChange (2.0, "legato", 0.0);
    performance.addParameterChange (2.0, "legato", 1.0);
    performance.addParameterChange (0.25, "volume", 0.5);

    const auto& midi = performance.getMidi();
    ASSERT_EQ (midi.getNumEvents(), 3);
    EXPECT_EQ (midi.getEventPointer (0)->message.getNoteNumber(), 62);
    EXPECT_TRUE (midi.getEventPointer (1)->message.isNoteOn());
    EXPECT_TRUE (midi.getEventPointer (2)->message.isNoteOff());

    const auto& changes = performance.getParameterChanges();
    ASSERT_EQ (changes.size(), 3u);
    EXPECT_EQ (changes[0].parameterId, "volume");
    EXPECT_DOUBLE_EQ (changes[1].value, 0.0);
    EXPECT_DOUBLE_EQ (changes[2].value, 1.0);
    EXPECT_DOUBLE_EQ (performance.getEndTime(), 2.0);
}

namespace
{
    // How long the instrument's release keeps a voice busy after its key is let go.
    constexpr double releaseSeconds = 0.3;

    struct DemoTimeline
    {
        int mostKeysHeld = 0;
        int mostVoicesNeeded = 0;
        int unmatchedNoteOns = 0;
        int highestWheel = 0;
        double lastNoteOff = 0.0;
    };

    /** Walks the demo's MIDI, counting held keys and the voices they need, a released key
        still needing its voice while it fades. */
    DemoTimeline walk (const Performance& performance)
    {
        DemoTimeline timeline;
        std::multimap<int, double> held;
        std::vector<double> releases;

        for (const auto* holder : performance.getMidi())
        {
            const auto& message = holder->message;
            const auto time = message.getTimeStamp();

            if (message.isNoteOn())
            {
                held.emplace (message.getNoteNumber(), time);
                std::erase_if (releases, [time] (double released) { return time - released >= releaseSeconds; });
                timeline.mostKeysHeld = std::max (timeline.mostKeysHeld, (int) held.size());
                timeline.mostVoicesNeeded = std::max (timeline.mostVoicesNeeded, (int) (held.size() + releases.size()));
            }
            else if (message.isNoteOff())
            {
                const auto key = held.find (message.getNoteNumber());

                if (key != held.end())
                    held.erase (key);

                releases.push_back (time);
                timeline.lastNoteOff = time;
            }
            else if (message.isControllerOfType (1))
            {
                timeline.highestWheel = std::max (timeline.highestWheel, message.getControllerValue());
            }
        }

        timeline.unmatchedNoteOns = (int) held.size();
        return timeline;
    }
}

TEST (DemoPerformance, ShowsTheInstrumentOff)
{
    const auto demo = DemoPerformance::create();
    const auto timeline = walk (demo);

    // About 20 seconds with the default tail, and nothing left hanging.
    EXPECT_GT (demo.getEndTime(), 15.0);
    EXPECT_LT (demo.getEndTime(), 20.0);
    EXPECT_EQ (timeline.unmatchedNoteOns, 0);
    EXPECT_NEAR (timeline.lastNoteOff, demo.getEndTime(), 1.0e-9);

    // The wheel sweeps all the way up.
    EXPECT_EQ (timeline.highestWheel, 127);

    // Chords hold eight keys, and a ninth note arrives while eight voices still sound.
    EXPECT_EQ (timeline.mostKeysHeld, 8);
    EXPECT_GE (timeline.mostVoicesNeeded, 9);

    // Legato goes on at the start and off again before the chords.
    const auto& changes = demo.getParameterChanges();
    ASSERT_EQ (changes.size(), 2u);
    EXPECT_EQ (changes[0].parameterId, "legato");
    EXPECT_DOUBLE_EQ (changes[0].timeInSeconds, 0.0);
    EXPECT_DOUBLE_EQ (changes[0].value, 1.0);
    EXPECT_EQ (changes[1].parameterId, "legato");
    EXPECT_DOUBLE_EQ (changes[1].value, 0.0);
}

TEST (DemoPerformance, OverlapsTheLegatoMelodySoThatItGlides)
{
    const auto demo = DemoPerformance::create();
    const auto legatoOff = demo.getParameterChanges().back().timeInSeconds;

    // Every melody note but the first starts while the previous key is still down, which is
    // what makes the legato voice glide instead of starting again.
    int keysDown = 0;
    int notesStarted = 0;
    int notesStartedOverAHeldKey = 0;

    for (const auto* holder : demo.getMidi())
    {
        const auto& message = holder->message;

        if (message.getTimeStamp() >= legatoOff)
            break;

        if (message.isNoteOn())
        {
            notesStartedOverAHeldKey += keysDown > 0 ? 1 : 0;
            ++notesStarted;
            ++keysDown;
        }
        else if (message.isNoteOff())
        {
            --keysDown;
        }
    }

    EXPECT_GE (notesStarted, 8);
    EXPECT_EQ (notesStartedOverAHeldKey, notesStarted - 1);
    EXPECT_EQ (keysDown, 0);
}
