#include "Listening.h"
#include "support/HostedPlayer.h"
#include "support/Phrase.h"

#include <gtest/gtest.h>

#include <iostream>

// A voice taken over by a new note, or told a new loudness, must not click (heard with the reverb
// off, so that the voices are heard alone). A click is a burst of
// energy above 6 kHz, where the low-passed voices themselves have little: the 1 ms that starts
// at the event may be no louder there than the loudest 1 ms of the steady sound before and after
// it. The steady sound of one voice leaves next to nothing in that band, about -115 dBFS, and
// there the loudness moving to a new velocity, a straight ramp, shows its start and its end at
// about -95 dBFS. That is far under hearing, and so is anything below -90 dBFS: a burst must
// rise above both to count.
namespace
{
    using namespace warble::test;

    // On a block boundary, so that the event takes effect at the same sample however the engine
    // places events within a block.
    const auto eventTime = 94.0 * 512.0 / HostedPlayer::sampleRate;

    constexpr double inaudibleBelowDbfs = -90.0;

    struct ClickCase
    {
        const char* name;
        Phrase phrase;
        double steadyBeforeUntil;
        bool legato = false;
    };

    std::ostream& operator<< (std::ostream& os, const ClickCase& c)
    {
        return os << c.name;
    }

    Phrase eightHeldKeys()
    {
        Phrase phrase;
        phrase.chord (0.0, { 48, 52, 55, 60, 64, 67, 72, 76 });
        return phrase;
    }

    std::vector<ClickCase> clickCases()
    {
        return {
            // The oldest held key's voice, at full level, takes the ninth note.
            { "StealOfAHeldVoice", eightHeldKeys().noteOn (eventTime, 62), eventTime - 0.01 },
            // A key let go 100 ms before: its voice, still fading, takes the ninth note.
            { "StealOfAReleasingVoice", eightHeldKeys().noteOff (eventTime - 0.1, 60).noteOn (eventTime, 62),
              eventTime - 0.11 },
            { "LegatoVelocity100To30", Phrase().noteOn (0.0, 60, 100).noteOn (eventTime, 67, 30), eventTime - 0.01, true },
            { "LegatoVelocity30To127", Phrase().noteOn (0.0, 60, 30).noteOn (eventTime, 67, 127), eventTime - 0.01, true },
        };
    }
}

class Clicks : public testing::TestWithParam<ClickCase> {};

TEST_P (Clicks, NoBurstAboveTheSteadySound)
{
    const auto& c = GetParam();
    const auto take = HostedPlayer().set ("reverb", 0.0).set ("legato", c.legato ? 1.0 : 0.0).playLeft (c.phrase.getMidi(), eventTime + 1.0);
    const Listening::HighBand highBand (take, HostedPlayer::sampleRate);

    // The glide has long settled half a second after the event.
    const auto steady = std::max (highBand.loudestWindow (0.5, c.steadyBeforeUntil),
                                  highBand.loudestWindow (eventTime + 0.5, eventTime + 1.0));
    const auto atEvent = highBand.windowLevel (HostedPlayer::sampleAt (eventTime));

    std::cout << "  " << c.name << ": above 6 kHz the 1 ms at the event lies " << juce::String (atEvent - steady, 1)
              << " dB above the loudest 1 ms of the steady sound, at " << juce::String (atEvent, 1) << " dBFS\n";

    EXPECT_LE (atEvent, std::max (steady, inaudibleBelowDbfs));
}

INSTANTIATE_TEST_SUITE_P (Playing, Clicks, testing::ValuesIn (clickCases()),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
