#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using namespace EngineTest;

namespace
{
    void expectSameOutput (const std::vector<float>& a, const std::vector<float>& b)
    {
        ASSERT_EQ (a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i)
            ASSERT_EQ (a[i], b[i]) << "first difference at sample " << i;
    }
}

TEST (NoteToFrequency, EqualTemperamentFromA440)
{
    EXPECT_EQ (WarbleProcessor::noteToFrequency (69), 440.0f);
    EXPECT_NEAR (WarbleProcessor::noteToFrequency (60), 261.626, 0.001);
    EXPECT_NEAR (WarbleProcessor::noteToFrequency (36), 65.406, 0.001);
    EXPECT_NEAR (WarbleProcessor::noteToFrequency (96), 2093.0, 0.01);
    EXPECT_NEAR (WarbleProcessor::noteToFrequency (81), 880.0, 0.001);
}

TEST (VoiceEngine, NoteOnStartsTheFirstFreeVoiceAtItsOwnPitch)
{
    EngineRig rig;
    rig.send ({ noteOn (60, 100) });

    const auto& v = rig.voice (0);
    EXPECT_TRUE (v.active);
    EXPECT_FALSE (v.releasing);
    EXPECT_EQ (v.note, 60);
    EXPECT_NEAR (v.velocity, 100.0 / 127.0, 1.0e-6);
    EXPECT_EQ (v.gain, v.velocity);
    EXPECT_NEAR (v.targetHz, 261.626, 0.001);
    EXPECT_EQ (v.currentHz, v.targetHz);
    EXPECT_EQ (v.phase, 0.0);
    EXPECT_GE (v.vibratoPhase, 0.0f);
    EXPECT_LT (v.vibratoPhase, 1.0f);
    EXPECT_EQ (v.envelope, 0.0f);
    EXPECT_EQ (rig.numActiveVoices(), 1);

    // Play it, let it end, and start another note: the freed voice is reused and starts at the
    // new pitch with cleared oscillator and filter, not gliding from the old note.
    rig.render (4410);
    rig.send ({ noteOff (60) });
    rig.render (14000);
    ASSERT_EQ (rig.numActiveVoices(), 0);

    rig.send ({ noteOn (72, 64) });
    EXPECT_EQ (rig.findVoice (72), 0);
    EXPECT_EQ (rig.voice (0).currentHz, WarbleProcessor::noteToFrequency (72));
    EXPECT_EQ (rig.voice (0).phase, 0.0);
    EXPECT_EQ (rig.voice (0).filterStages, (std::array<float, 4> {}));

    const auto output = rig.renderChannel0 (44100);
    EXPECT_NEAR (estimateFrequency (output.data() + 4410, 44100 - 4410, 44100.0), 523.251, 0.3);
}

TEST (VoiceEngine, MidiChannelIsIgnored)
{
    EngineRig rig;
    rig.send ({ noteOn (64, 90, 16) });
    ASSERT_EQ (rig.findVoice (64), 0);

    rig.send ({ noteOff (64, 3) });
    EXPECT_TRUE (rig.voice (0).releasing);
}

TEST (VoiceEngine, VelocityZeroNoteOnReleasesLikeNoteOff)
{
    EngineRig rig;
    rig.send ({ noteOn (60), noteOn (64) });
    rig.send ({ noteOn (60, 0) });

    EXPECT_TRUE (rig.voice (0).active);
    EXPECT_TRUE (rig.voice (0).releasing);
    EXPECT_FALSE (rig.voice (1).releasing);
    EXPECT_EQ (rig.processor.lastNote.load(), 64);
}

TEST (VoiceEngine, SameNoteTwiceUsesTwoVoicesAndOneNoteOffReleasesBoth)
{
    EngineRig rig;
    rig.send ({ noteOn (60), noteOn (60) });
    ASSERT_EQ (rig.numActiveVoices(), 2);

    rig.send ({ noteOff (60) });
    EXPECT_TRUE (rig.voice (0).releasing);
    EXPECT_TRUE (rig.voice (1).releasing);

    // A note-off for a note nobody plays changes nothing.
    rig.send ({ noteOn (62), noteOff (61) });
    EXPECT_FALSE (rig.voice (2).releasing);
}

struct StealCase
{
    const char* name;
    std::array<float, 8> envelopes;
    std::array<bool, 8> releasing;
    std::array<std::uint64_t, 8> startOrders;
    int expectedVoice;
};

class VoiceStealing : public testing::TestWithParam<StealCase> {};

// With every voice sounding, a ninth note takes a voice whose key was let go, the quietest; with
// none let go, the voice whose note started earliest. A voice still audible carries on into the
// new note: its pitch glides from where it was, its oscillator, filter and loudness run on. One
// below the gliding threshold starts afresh.
TEST_P (VoiceStealing, NinthNoteTakesAReleasedVoiceElseTheOldest)
{
    const auto& c = GetParam();
    EngineRig rig;

    for (int i = 0; i < 8; ++i)
        rig.send ({ noteOn (48 + i) });

    rig.render (1000);

    for (int i = 0; i < 8; ++i)
    {
        rig.voice (i).envelope = c.envelopes[(size_t) i];
        rig.voice (i).releasing = c.releasing[(size_t) i];
        rig.voice (i).startOrder = c.startOrders[(size_t) i];
    }

    const auto before = WarbleProcessorTestAccess::voices (rig.processor);
    rig.send ({ noteOn (84, 127) });

    ASSERT_EQ (rig.findVoice (84), c.expectedVoice);
    const auto& stolen = rig.voice (c.expectedVoice);
    const auto& old = before[(size_t) c.expectedVoice];
    const auto audible = old.envelope >= 0.001f;

    EXPECT_FALSE (stolen.releasing);
    EXPECT_EQ (stolen.envelope, old.envelope);
    EXPECT_EQ (stolen.targetHz, WarbleProcessor::noteToFrequency (84));
    EXPECT_FLOAT_EQ (stolen.velocity, 1.0f);
    EXPECT_GT (stolen.startOrder, *std::max_element (c.startOrders.begin(), c.startOrders.end()));

    EXPECT_EQ (stolen.currentHz, audible ? old.currentHz : stolen.targetHz);
    EXPECT_EQ (stolen.phase, audible ? old.phase : 0.0);
    EXPECT_EQ (stolen.filterStages, (audible ? old.filterStages : std::array<float, 4> {}));
    EXPECT_EQ (stolen.gain, audible ? old.gain : 1.0f);

    for (int i = 0; i < 8; ++i)
    {
        if (i != c.expectedVoice)
        {
            EXPECT_EQ (rig.voice (i).note, 48 + i);
        }
    }
}

namespace
{
    constexpr std::array<bool, 8> noneReleasing {};
    constexpr std::array<std::uint64_t, 8> inIndexOrder { 1, 2, 3, 4, 5, 6, 7, 8 };

    constexpr std::array<bool, 8> releasingVoices (std::initializer_list<int> indices)
    {
        std::array<bool, 8> flags {};

        for (const auto i : indices)
            flags[(size_t) i] = true;

        return flags;
    }
}

INSTANTIATE_TEST_SUITE_P (VoiceEngine, VoiceStealing, testing::Values (
    // Nine keys struck at once: every voice has just started, and the ninth takes voice 0.
    StealCase { "AllHeldTakesTheFirstStarted",  { 0, 0, 0, 0, 0, 0, 0, 0 },        noneReleasing,              inIndexOrder,                     0 },
    StealCase { "OldestHeldNotTheQuietest",     { 1, 1, 1, 1, 1, 0.3f, 1, 1 },     noneReleasing,              { 7, 8, 1, 2, 3, 4, 5, 6 },       2 },
    StealCase { "ReleasedBeforeAQuieterHeld",   { 0.2f, 0.2f, 1, 1, 1, 1, 0.9f, 1 }, releasingVoices ({ 6 }),   inIndexOrder,                     6 },
    StealCase { "QuietestReleased",             { 1, 1, 1, 1, 1, 1, 0.7f, 0.6f },  releasingVoices ({ 6, 7 }), inIndexOrder,                     7 },
    StealCase { "LowestIndexAmongEqualReleased", { 1, 1, 0.2f, 1, 1, 1, 0.2f, 1 }, releasingVoices ({ 2, 6 }), { 8, 7, 6, 5, 4, 3, 2, 1 },      2 },
    StealCase { "NearSilentStartsAfresh",       { 1, 1, 1, 1, 0.0005f, 1, 1, 1 },  releasingVoices ({ 4 }),    inIndexOrder,                     4 },
    StealCase { "ThresholdLevelCarriesOn",      { 1, 1, 1, 0.001f, 1, 1, 1, 1 },   releasingVoices ({ 3 }),    inIndexOrder,                     3 }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (VoiceStealing, TheOldestNoteGivesWayNoteAfterNote)
{
    // Three notes over eight held keys, in the same instant: each takes the voice of the key
    // held longest that is still held, so all three sound.
    EngineRig rig;

    for (int i = 0; i < 8; ++i)
        rig.send ({ noteOn (48 + i) });

    rig.render (2000);
    rig.send ({ noteOn (79), noteOn (83), noteOn (86) });

    EXPECT_EQ (rig.findVoice (79), 0);
    EXPECT_EQ (rig.findVoice (83), 1);
    EXPECT_EQ (rig.findVoice (86), 2);
    EXPECT_EQ (rig.findVoice (51), 3);
}

TEST (VoiceStealing, LegatoReaimDoesNotMakeAVoiceYounger)
{
    EngineRig rig;

    for (int i = 0; i < 8; ++i)
        rig.send ({ noteOn (48 + i) });

    rig.set ("legato", 1.0f);
    rig.send ({ noteOn (90) });
    ASSERT_EQ (rig.findVoice (90), 0);

    rig.set ("legato", 0.0f);
    rig.send ({ noteOn (91) });
    EXPECT_EQ (rig.findVoice (91), 0);
    EXPECT_EQ (rig.findVoice (49), 1);
}

TEST (Legato, NewKeyReaimsTheHeldVoiceWithoutNewAttack)
{
    EngineRig rig;
    rig.set ("legato", 1.0f);
    rig.send ({ noteOn (60, 100) });
    rig.render (2000);

    const auto before = rig.voice (0);
    ASSERT_EQ (before.envelope, 1.0f);

    rig.send ({ noteOn (67, 50) });

    const auto& v = rig.voice (0);
    EXPECT_EQ (rig.numActiveVoices(), 1);
    EXPECT_EQ (v.note, 67);
    EXPECT_EQ (v.targetHz, WarbleProcessor::noteToFrequency (67));
    EXPECT_NEAR (v.velocity, 50.0 / 127.0, 1.0e-6);
    EXPECT_EQ (v.currentHz, before.currentHz);
    EXPECT_EQ (v.envelope, before.envelope);
    EXPECT_EQ (v.gain, before.gain);
    EXPECT_EQ (v.startOrder, before.startOrder);
    EXPECT_EQ (v.phase, before.phase);
    EXPECT_EQ (v.vibratoPhase, before.vibratoPhase);
    EXPECT_EQ (v.filterStages, before.filterStages);
    EXPECT_EQ (rig.processor.lastNote.load(), 67);

    // The pitch glides up and the level stays at full without a new attack.
    auto previousHz = v.currentHz;
    for (int block = 0; block < 10; ++block)
    {
        rig.render (441);
        EXPECT_GT (v.currentHz, previousHz);
        EXPECT_LT (v.currentHz, v.targetHz);
        EXPECT_EQ (v.envelope, 1.0f);
        previousHz = v.currentHz;
    }

    // There is no note stack: releasing the newer key releases the voice although the older
    // key is still down, and releasing the older key afterwards changes nothing.
    rig.send ({ noteOff (67) });
    EXPECT_TRUE (v.releasing);

    const auto released = v;
    rig.send ({ noteOff (60) });
    EXPECT_EQ (rig.voice (0).note, released.note);
    EXPECT_EQ (rig.numActiveVoices(), 1);
    EXPECT_EQ (rig.processor.lastNote.load(), 67);
}

TEST (Legato, ReleasingVoiceIsNotReaimedSoTwoVoicesCanSound)
{
    EngineRig rig;
    rig.set ("legato", 1.0f);
    rig.send ({ noteOn (60) });
    rig.render (1000);
    rig.send ({ noteOff (60) });
    rig.send ({ noteOn (64) });

    EXPECT_TRUE (rig.voice (0).releasing);
    EXPECT_EQ (rig.voice (0).note, 60);
    EXPECT_EQ (rig.findVoice (64), 1);
    EXPECT_EQ (rig.voice (1).currentHz, WarbleProcessor::noteToFrequency (64));
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 2);

    // From now on the held voice 1 is the one that is re-aimed.
    rig.send ({ noteOn (67) });
    EXPECT_EQ (rig.findVoice (67), 1);
    EXPECT_EQ (rig.numActiveVoices(), 2);
}

class EndingControllers : public testing::TestWithParam<int> {};

TEST_P (EndingControllers, ReleaseEverySoundingVoiceWithoutSilencing)
{
    EngineRig rig;
    rig.send ({ noteOn (60), noteOn (64), noteOn (67) });
    rig.render (4410);
    rig.send ({ controller (GetParam(), 0, 5) });

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_TRUE (rig.voice (i).active);
        EXPECT_TRUE (rig.voice (i).releasing);
    }

    // Still audible while the release runs, silent after it.
    const auto tail = rig.renderChannel0 (2205);
    EXPECT_GT (*std::max_element (tail.begin(), tail.end()), 0.01f);

    rig.render (13230);
    EXPECT_EQ (rig.numActiveVoices(), 0);

    // A voice started afterwards is held normally.
    rig.send ({ noteOn (72) });
    EXPECT_FALSE (rig.voice (0).releasing);
}

INSTANTIATE_TEST_SUITE_P (VoiceEngine, EndingControllers, testing::Values (120, 123),
                          [] (const auto& testInfo) { return "Controller" + std::to_string (testInfo.param); });

TEST (VoiceEngine, UnhandledMessagesChangeNothing)
{
    const auto ignored = std::initializer_list<juce::MidiMessage> {
        juce::MidiMessage::pitchWheel (1, 16383),
        controller (64, 127),
        controller (7, 0),
        juce::MidiMessage::createSysExMessage ("\x7e\x7f\x09\x01", 4),
        juce::MidiMessage::channelPressureChange (1, 127),
        juce::MidiMessage::aftertouchChange (1, 60, 127),
        juce::MidiMessage::programChange (1, 5),
        juce::MidiMessage::midiStart(),
        juce::MidiMessage::allControllersOff (1)
    };

    EngineRig plain, disturbed;
    plain.send ({ noteOn (60) });
    disturbed.send ({ noteOn (60) });
    disturbed.send (ignored);

    auto a = plain.renderChannel0 (4410);
    auto b = disturbed.renderChannel0 (4410);

    // The note-off must release even though the sustain pedal is down.
    plain.send ({ noteOff (60) });
    disturbed.send (ignored);
    disturbed.send ({ noteOff (60) });
    EXPECT_TRUE (disturbed.voice (0).releasing);

    const auto restA = plain.renderChannel0 (4410);
    const auto restB = disturbed.renderChannel0 (4410);
    a.insert (a.end(), restA.begin(), restA.end());
    b.insert (b.end(), restB.begin(), restB.end());

    expectSameOutput (a, b);
    EXPECT_EQ (disturbed.voice (0).currentHz, plain.voice (0).currentHz);
    EXPECT_EQ (disturbed.processor.modWheel.load(), 0.0f);
}

struct EventPositionCase
{
    int position, effectiveSample;
};

class EventTiming : public testing::TestWithParam<EventPositionCase> {};

// An event takes effect just before the sample at its position in the block; a position outside
// the block counts as the block's nearest sample.
TEST_P (EventTiming, NoteBeginsAtTheSampleOfItsEvent)
{
    const auto& c = GetParam();
    EngineRig rig;
    auto midi = makeMidi ({ noteOn (60), controller (1, 127) }, c.position);
    const auto block = rig.render (512, midi);

    for (int i = 0; i < 512; ++i)
        ASSERT_EQ (std::abs (block.getSample (0, i)) > 0.0f, i >= c.effectiveSample) << "sample " << i;

    EXPECT_EQ (rig.processor.lastNote.load(), 60);
    EXPECT_EQ (rig.processor.modWheel.load(), 1.0f);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 1);
}

INSTANTIATE_TEST_SUITE_P (VoiceEngine, EventTiming, testing::Values (
    EventPositionCase { 0, 0 }, EventPositionCase { 1, 1 }, EventPositionCase { 300, 300 },
    EventPositionCase { 511, 511 }, EventPositionCase { 512, 511 }, EventPositionCase { 100000, 511 },
    EventPositionCase { -5, 0 }),
    [] (const auto& testInfo) { return "At" + std::to_string (testInfo.param.position + 5); });

TEST (PublishedState, StartsEmptyAndTracksTheWheelUnsmoothed)
{
    EngineRig rig;
    EXPECT_EQ (rig.processor.modWheel.load(), 0.0f);
    EXPECT_EQ (rig.processor.lastNote.load(), -1);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 0);

    for (const auto& [value, expected] : { std::pair { 127, 1.0f }, std::pair { 64, 64.0f / 127.0f }, std::pair { 0, 0.0f } })
    {
        rig.send ({ controller (1, value, 9) });
        EXPECT_EQ (rig.processor.modWheel.load(), expected);
    }

    // The published value jumps; the value the sound follows is smoothed.
    rig.send ({ controller (1, 127) });
    rig.render (64);
    EXPECT_EQ (rig.processor.modWheel.load(), 1.0f);
    EXPECT_LT (WarbleProcessorTestAccess::modWheelSmoothed (rig.processor), 0.1f);
}

TEST (PublishedState, LastNoteFollowsEveryNoteOnButNoNoteOff)
{
    EngineRig rig;
    rig.set ("legato", 1.0f);

    rig.send ({ noteOn (60) });
    EXPECT_EQ (rig.processor.lastNote.load(), 60);

    rig.send ({ noteOn (55) });
    EXPECT_EQ (rig.processor.lastNote.load(), 55);

    rig.send ({ noteOff (55), noteOff (60), noteOn (10, 0) });
    EXPECT_EQ (rig.processor.lastNote.load(), 55);

    rig.render (20000);
    EXPECT_EQ (rig.numActiveVoices(), 0);
    EXPECT_EQ (rig.processor.lastNote.load(), 55);
}

TEST (PublishedState, ActiveVoiceCountHoldsEveryVoiceThatSoundedInTheBlock)
{
    EngineRig rig;

    // A note shorter than the block ends inside it, and still counts, so that it shows.
    juce::MidiBuffer midi;
    midi.addEvent (noteOn (60), 100);
    midi.addEvent (noteOff (60), 101);
    rig.render (512, midi);
    EXPECT_EQ (rig.numActiveVoices(), 0);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 1);

    rig.render (512);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 0);

    // A block without samples counts the voices its events leave sounding.
    rig.send ({ noteOn (62), noteOn (64), noteOff (62) });
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 2);

    // A voice that ends inside the block, here on its first sample, still counts for it.
    rig.render (512);
    EXPECT_EQ (rig.findVoice (62), -1);
    EXPECT_EQ (rig.numActiveVoices(), 1);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 2);

    // So does a voice started on the block's last sample.
    midi.clear();
    midi.addEvent (noteOn (67), 511);
    rig.render (512, midi);
    EXPECT_EQ (rig.numActiveVoices(), 2);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 2);
}
