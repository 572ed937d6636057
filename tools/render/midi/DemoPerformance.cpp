#include "DemoPerformance.h"

#include <cmath>

namespace
{
    /** Writes a performance in beats rather than seconds. */
    class Score
    {
    public:
        explicit Score (Performance& target) : performance (target) {}

        void note (double startBeat, double lengthInBeats, int noteNumber, int velocity)
        {
            performance.addMidi (juce::MidiMessage::noteOn (channel, noteNumber, (juce::uint8) velocity), toSeconds (startBeat));
            performance.addMidi (juce::MidiMessage::noteOff (channel, noteNumber), toSeconds (startBeat + lengthInBeats));
        }

        void chord (double startBeat, double lengthInBeats, std::initializer_list<int> noteNumbers, int velocity,
                    double rollInBeats = 0.0)
        {
            auto offset = 0.0;

            for (auto noteNumber : noteNumbers)
            {
                note (startBeat + offset, lengthInBeats - offset, noteNumber, velocity);
                offset += rollInBeats;
            }
        }

        void modWheel (double beat, int value)
        {
            performance.addMidi (juce::MidiMessage::controllerEvent (channel, 1, value), toSeconds (beat));
        }

        /** A smooth (raised-cosine) wheel movement, sent as often as a hardware controller would. */
        void modWheelSweep (double startBeat, double endBeat, int fromValue, int toValue)
        {
            const auto steps = juce::jmax (1, (int) std::ceil ((toSeconds (endBeat) - toSeconds (startBeat)) / 0.01));
            auto lastSent = -1;

            for (int step = 0; step <= steps; ++step)
            {
                const auto progress = (double) step / steps;
                const auto eased = 0.5 - 0.5 * std::cos (progress * juce::MathConstants<double>::pi);
                const auto value = juce::roundToInt (fromValue + (toValue - fromValue) * eased);

                if (value != lastSent)
                    modWheel (startBeat + (endBeat - startBeat) * progress, value);

                lastSent = value;
            }
        }

        void legato (double beat, bool on)
        {
            performance.addParameterChange (toSeconds (beat), "legato", on ? 1.0 : 0.0);
        }

    private:
        static double toSeconds (double beat) { return beat * 60.0 / DemoPerformance::beatsPerMinute; }

        static constexpr int channel = 1;
        Performance& performance;
    };

    enum Note
    {
        A2 = 45, E3 = 52, F3 = 53, G3 = 55, Gs3 = 56, A3 = 57, B3 = 59,
        C4 = 60, D4 = 62, E4 = 64, G4 = 67, A4 = 69, B4 = 71,
        C5 = 72, D5 = 74, E5 = 76, G5 = 79, A5 = 81
    };

    // Opens the filter a little for the melody while staying below the wheel's vibrato threshold.
    constexpr int melodyWheel = 20;

    void playLegatoMelody (Score& score)
    {
        // Each note is let go a little after the next one starts, so the one legato voice is
        // re-aimed and glides instead of starting a new note.
        struct MelodyNote { double beat, length; int note, velocity; };

        const MelodyNote melody[] = {
            { 0.0, 1.0, E4, 88 }, { 1.0, 1.5, A4, 100 }, { 2.5, 0.5, B4, 92 }, { 3.0, 1.0, C5, 100 },
            { 4.0, 2.0, E5, 110 }, { 6.0, 0.5, D5, 96 }, { 6.5, 0.5, C5, 92 }, { 7.0, 1.0, B4, 96 },
            { 8.0, 1.0, C5, 100 }, { 9.0, 1.0, A4, 96 }, { 10.0, 1.0, E5, 104 }, { 11.0, 1.0, G5, 108 },
        };

        constexpr auto overlap = 0.1;

        for (const auto& n : melody)
            score.note (n.beat, n.length + overlap, n.note, n.velocity);

        // The last note swells: the wheel opens the filter and fades the vibrato in, then out.
        score.note (12.0, 4.5, A5, 112);
        score.modWheelSweep (12.5, 14.5, melodyWheel, 127);
        score.modWheelSweep (15.0, 16.5, 127, melodyWheel);
    }

    void playChords (Score& score)
    {
        score.modWheel (16.75, 38);

        score.chord (17.0, 2.8, { F3, A3, C4, E4 }, 80, 0.02);
        score.chord (20.0, 2.8, { G3, B3, D4, E4 }, 82, 0.02);
        score.chord (23.0, 1.4, { E3, B3, E4 }, 84, 0.02);
        score.note (23.0, 1.0, A3, 84);
        score.note (24.0, 0.4, Gs3, 84);

        // All eight voices; the previous chord has been silent long enough to free them all.
        score.chord (25.0, 6.0, { A2, E3, A3, C4, E4, G4, B4 }, 84, 0.03);
        score.note (25.21, 1.79, E5, 100);

        // The top line moves while every voice sounds: each new note takes the top voice, whose
        // key has been let go, and glides on from its pitch.
        score.note (27.25, 0.75, D5, 96);
        score.note (28.25, 2.75, E5, 104);

        score.modWheelSweep (28.5, 30.0, 38, 96);
        score.modWheelSweep (30.0, 31.0, 96, 50);
    }
}

Performance DemoPerformance::create()
{
    Performance performance;
    Score score (performance);

    score.legato (0.0, true);
    score.modWheel (0.0, melodyWheel);
    playLegatoMelody (score);
    score.legato (16.75, false);
    playChords (score);

    return performance;
}
