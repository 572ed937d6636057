#include "Listening.h"
#include "support/HostedPlayer.h"
#include "support/Phrase.h"

#include <gtest/gtest.h>

#include <iostream>

// Which notes a listener hears when the player asks for more than eight voices, with the reverb
// off so that the voices are heard alone. Each note is
// judged by the level of its fundamental against the same note played alone: a note that sounds
// comes within 12 dB of that (the soft clipper takes a little off a full chord), a note that is
// gone lies more than 20 dB below it. Gone is not silent: the soft clipper mixes the notes of a
// chord into tones of their own, and some of them fall within a few hertz of a note a chord
// holds (C3 + G3 - C4 is C2 a fifth of a hertz sharp), at about 27 to 34 dB below it.
namespace
{
    using namespace warble::test;

    constexpr double soundingWithinDb = -12.0;
    constexpr double goneBelowDb = -20.0;

    struct Hearing
    {
        double fromSeconds, toSeconds;
        std::vector<int> sounding, gone;
    };

    struct VoiceChoiceCase
    {
        const char* name;
        Phrase phrase;
        double seconds;
        std::vector<Hearing> hearings;
        double glideTime = 80.0;
    };

    std::ostream& operator<< (std::ostream& os, const VoiceChoiceCase& c)
    {
        return os << c.name;
    }

    std::vector<VoiceChoiceCase> voiceChoiceCases()
    {
        std::vector<VoiceChoiceCase> cases;

        // Eight keys held, then a three-note chord struck with a millisecond between its notes:
        // the chord sounds whole and the three keys held longest give way.
        {
            Phrase phrase;
            phrase.chord (0.0, { 36, 40, 43, 48, 52, 55, 60, 64 })
                  .noteOn (1.000, 79).noteOn (1.001, 83).noteOn (1.002, 86);

            cases.push_back ({ "ChordOverEightHeldKeys", phrase, 2.0,
                               { { 0.5, 0.9, { 36, 40, 43, 48, 52, 55, 60, 64 }, {} },
                                 { 1.5, 1.9, { 48, 52, 55, 60, 64, 79, 83, 86 }, { 36, 40, 43 } } } });
        }

        // Four-note chords changing every 250 ms while the previous ones still ring out: from the
        // third chord on every note must take a voice from a chord that is fading. No note lies
        // within a whole tone of a note of the two chords before it, so that each can be heard
        // apart; the glide is off, so that a note that takes a fading voice is at its own pitch
        // at once (which voices are taken does not depend on the glide).
        {
            const std::vector<std::vector<int>> chords { { 48, 52, 55, 60 }, { 50, 57, 62, 66 }, { 45, 64, 69, 72 },
                                                         { 43, 47, 53, 59 }, { 50, 57, 62, 66 } };
            Phrase phrase;
            std::vector<Hearing> hearings;

            for (size_t i = 0; i < chords.size(); ++i)
            {
                const auto start = 0.25 * (double) i;

                if (i > 0)
                    for (const auto note : chords[i - 1])
                        phrase.noteOff (start, note);

                for (const auto note : chords[i])
                    phrase.noteOn (start, note);

                hearings.push_back ({ start + 0.05, start + 0.25, chords[i], {} });
            }

            for (const auto note : chords.back())
                phrase.noteOff (1.25, note);

            cases.push_back ({ "ChordsChangingEvery250Ms", phrase, 1.5, hearings, 0.0 });
        }

        // Nine keys struck at once: the ninth takes the first key's voice.
        {
            Phrase phrase;
            phrase.chord (0.0, { 48, 50, 52, 55, 57, 60, 62, 64, 67 });

            cases.push_back ({ "NineKeysAtOnce", phrase, 0.8, { { 0.3, 0.7, { 50, 52, 55, 57, 60, 62, 64, 67 }, { 48 } } } });
        }

        return cases;
    }

    /** A note's level played on its own, held, once it has risen. */
    double levelAlone (int note)
    {
        static std::map<int, double> levels;

        if (const auto known = levels.find (note); known != levels.end())
            return known->second;

        Phrase phrase;
        phrase.noteOn (0.0, note);
        const auto take = HostedPlayer().set ("reverb", 0.0).playLeft (phrase.getMidi(), 0.6);
        return levels[note] = Listening::noteLevel (take, HostedPlayer::sampleRate, 0.2, 0.6, note);
    }
}

class VoiceChoice : public testing::TestWithParam<VoiceChoiceCase> {};

TEST_P (VoiceChoice, EveryNoteThePlayerHoldsLastSounds)
{
    const auto& c = GetParam();
    const auto take = HostedPlayer().set ("reverb", 0.0).set ("glideTime", c.glideTime).playLeft (c.phrase.getMidi(), c.seconds);
    ASSERT_EQ (take.size(), (size_t) HostedPlayer::sampleAt (c.seconds));

    for (const auto& hearing : c.hearings)
    {
        const auto heard = [&] (int note)
        {
            return Listening::noteLevel (take, HostedPlayer::sampleRate, hearing.fromSeconds, hearing.toSeconds, note)
                 - levelAlone (note);
        };

        auto quietestSounding = 0.0, loudestGone = -300.0;

        for (const auto note : hearing.sounding)
        {
            const auto level = heard (note);
            quietestSounding = std::min (quietestSounding, level);
            EXPECT_GT (level, soundingWithinDb) << "note " << note << " from " << hearing.fromSeconds << " s";
        }

        for (const auto note : hearing.gone)
        {
            const auto level = heard (note);
            loudestGone = std::max (loudestGone, level);
            EXPECT_LT (level, goneBelowDb) << "note " << note << " from " << hearing.fromSeconds << " s";
        }

        std::cout << "  " << c.name << ", " << hearing.fromSeconds << " to " << hearing.toSeconds
                  << " s: quietest note that must sound " << juce::String (quietestSounding, 1) << " dB";

        if (! hearing.gone.empty())
            std::cout << ", loudest note that must be gone " << juce::String (loudestGone, 1) << " dB";

        std::cout << " (against each note alone)\n";
    }
}

INSTANTIATE_TEST_SUITE_P (Playing, VoiceChoice, testing::ValuesIn (voiceChoiceCases()),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
