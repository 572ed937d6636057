#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace EngineTest;

namespace
{
    /** The coefficient by which one sample moved currentHz towards targetHz. */
    double observedGlideCoefficient (EngineRig& rig)
    {
        const auto& v = rig.voice (0);
        const auto before = (double) v.currentHz;
        rig.render (1);
        return ((double) v.currentHz - before) / ((double) v.targetHz - before);
    }

    float peakMagnitude (const juce::AudioBuffer<float>& buffer, int channel, int start = 0)
    {
        return buffer.getMagnitude (channel, start, buffer.getNumSamples() - start);
    }
}

struct GlideCase
{
    float glideMs;
    double rate;
    double expected;
};

class Glide : public testing::TestWithParam<GlideCase> {};

TEST_P (Glide, CoefficientFollowsTheGlideTime)
{
    const auto& c = GetParam();
    EngineRig rig (c.rate);
    rig.set ("legato", 1.0f);
    rig.set ("glideTime", c.glideMs);

    rig.send ({ noteOn (36) });
    rig.render (1);
    rig.send ({ noteOn (96) });

    EXPECT_NEAR (observedGlideCoefficient (rig), c.expected, c.expected * 2.0e-3);

    // The glide goes on while the voice releases.
    rig.send ({ noteOff (96) });
    EXPECT_NEAR (observedGlideCoefficient (rig), c.expected, c.expected * 2.0e-3);
}

INSTANTIATE_TEST_SUITE_P (VoiceEngine, Glide, testing::Values (
    GlideCase { 80.0f, 44100.0, 0.000283 },                           // 1 - exp (-1 / 3528)
    GlideCase { 0.0f, 44100.0, 0.632121 },                            // floored at one sample
    GlideCase { 0.1f, 8000.0, 0.632121 },                             // 0.8 samples, floored too
    GlideCase { 500.0f, 48000.0, 1.0 - std::exp (-1.0 / 24000.0) },
    GlideCase { 12.5f, 96000.0, 1.0 - std::exp (-1.0 / 1200.0) }));

struct EnvelopeCase
{
    double rate;
    int attackSamples;
    int releaseSamples;
};

class Envelope : public testing::TestWithParam<EnvelopeCase> {};

TEST_P (Envelope, AttackTakesTwentyAndReleaseThreeHundredMilliseconds)
{
    const auto& c = GetParam();
    EngineRig rig (c.rate);
    rig.send ({ noteOn (69) });
    const auto& v = rig.voice (0);

    // The first sample of the note is already one step up.
    rig.render (1);
    EXPECT_NEAR (v.envelope, 1.0 / c.attackSamples, 1.0e-7);

    int samples = 1;
    while (v.envelope < 1.0f && samples < 2 * c.attackSamples)
    {
        rig.render (1);
        ++samples;
    }
    EXPECT_NEAR (samples, c.attackSamples, 1);

    rig.render (100);
    rig.send ({ noteOff (69) });

    samples = 0;
    float lastOutput = 1.0f;
    while (v.active && samples < 2 * c.releaseSamples)
    {
        lastOutput = rig.render (1).getSample (0, 0);
        ++samples;
    }
    EXPECT_NEAR (samples, c.releaseSamples, 2);

    // The voice adds nothing on the sample where it ends, and it is free from then on.
    EXPECT_EQ (lastOutput, 0.0f);
    EXPECT_EQ (v.envelope, 0.0f);
    EXPECT_EQ (rig.render (64).getMagnitude (0, 0, 64), 0.0f);
}

INSTANTIATE_TEST_SUITE_P (VoiceChain, Envelope, testing::Values (EnvelopeCase { 44100.0, 882, 13230 },
                                                                 EnvelopeCase { 48000.0, 960, 14400 }));

TEST (VoiceChain, StolenVoiceRisesFromItsLevel)
{
    EngineRig rig;
    for (int i = 0; i < 8; ++i)
        rig.send ({ noteOn (60 + i) });

    rig.render (1000);
    rig.voice (3).envelope = 0.5f;
    rig.voice (3).releasing = true;
    rig.send ({ noteOn (80) });
    ASSERT_EQ (rig.findVoice (80), 3);

    rig.render (1);
    EXPECT_NEAR (rig.voice (3).envelope, 0.5 + 1.0 / 882.0, 1.0e-6);
    rig.render (440);
    EXPECT_EQ (rig.voice (3).envelope, 1.0f);
}

struct LoudnessCase
{
    const char* name;
    bool legato;
    int fromVelocity, toVelocity;
};

class Loudness : public testing::TestWithParam<LoudnessCase> {};

// A sounding voice told a new velocity, by a legato re-aim or by a ninth note that takes it
// over, keeps its loudness and moves it to the new velocity by one attack step a sample: a change
// across the whole range takes 20 ms, and no jump clicks.
TEST_P (Loudness, MovesToANewVelocityAtTheAttackRate)
{
    const auto& c = GetParam();
    EngineRig rig;
    rig.set ("legato", c.legato ? 1.0f : 0.0f);

    for (int i = 0; i < (c.legato ? 1 : 8); ++i)
        rig.send ({ noteOn (60 + i, c.fromVelocity) });

    rig.render (2000);
    rig.send ({ noteOn (84, c.toVelocity) });

    const auto& v = rig.voice (0);
    ASSERT_EQ (v.note, 84);

    const auto from = (float) c.fromVelocity / 127.0f;
    const auto to = (float) c.toVelocity / 127.0f;
    const auto step = 1.0f / (44100.0f * 0.02f);
    EXPECT_FLOAT_EQ (v.gain, from);

    // Steady steps towards the velocity, then exactly the velocity from then on.
    const auto stepsNeeded = (int) std::ceil (std::abs (to - from) / step);
    auto previous = v.gain;

    for (int i = 1; i <= stepsNeeded + 100; ++i)
    {
        rig.render (1);

        if (i < stepsNeeded)
        {
            ASSERT_NEAR (std::abs (v.gain - previous), step, 1.0e-6f) << "sample " << i;
            ASSERT_EQ (v.gain > previous, to > from) << "sample " << i;
        }
        else if (i > stepsNeeded)
        {
            ASSERT_EQ (v.gain, v.velocity) << "sample " << i;
        }

        previous = v.gain;
    }

    EXPECT_FLOAT_EQ (v.velocity, to);
}

INSTANTIATE_TEST_SUITE_P (VoiceChain, Loudness, testing::Values (
    LoudnessCase { "Legato100To30", true, 100, 30 },
    LoudnessCase { "Legato30To127", true, 30, 127 },
    LoudnessCase { "Steal100To30", false, 100, 30 },
    LoudnessCase { "Steal30To127", false, 30, 127 }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

/** Sounding frequency of voice 0 on each of the next samples, from its phase increments. */
static std::vector<double> instantaneousFrequencies (EngineRig& rig, int numSamples, double rate)
{
    std::vector<double> result;
    auto previous = rig.voice (0).phase;

    for (int i = 0; i < numSamples; ++i)
    {
        rig.render (1);
        auto increment = rig.voice (0).phase - previous;
        if (increment < 0.0)
            increment += 1.0;
        result.push_back (increment * rate);
        previous = rig.voice (0).phase;
    }

    return result;
}

class Vibrato : public testing::TestWithParam<float> {};

TEST_P (Vibrato, NoneUpToWheelPointTwo)
{
    const auto rate = GetParam();

    for (const auto wheel : { 0.0f, 0.1f, 0.2f })
    {
        EngineRig rig;
        rig.set ("vibratoRate", rate);
        rig.holdWheel (wheel);
        rig.send ({ noteOn (69) });

        for (const auto frequency : instantaneousFrequencies (rig, 4410, 44100.0))
            ASSERT_NEAR (frequency, 440.0, 1.0e-9) << "wheel " << wheel;
    }
}

TEST_P (Vibrato, FullWheelSwingsThirtyFiveCentsAtTheRate)
{
    const auto rate = GetParam();
    EngineRig rig;
    rig.set ("vibratoRate", rate);
    rig.holdWheel (1.0f);
    rig.send ({ noteOn (69) });

    const auto period = 44100.0 / rate;
    const auto frequencies = instantaneousFrequencies (rig, (int) (2.0 * period) + 2, 44100.0);

    const auto [low, high] = std::minmax_element (frequencies.begin(), frequencies.end());
    EXPECT_NEAR (*high, 440.0 * std::pow (2.0, 35.0 / 1200.0), 0.01);
    EXPECT_NEAR (*low, 440.0 * std::pow (2.0, -35.0 / 1200.0), 0.01);

    // Successive maxima are one vibrato period apart.
    const auto firstPeak = std::max_element (frequencies.begin(), frequencies.begin() + (long) period);
    const auto secondPeak = std::max_element (firstPeak + (long) (period / 2), frequencies.end());
    EXPECT_NEAR ((double) (secondPeak - firstPeak), period, 2.0);
}

INSTANTIATE_TEST_SUITE_P (VoiceChain, Vibrato, testing::Values (2.0f, 5.0f, 10.0f));

TEST (VoiceChain, WheelIsSmoothedWithTwentyMillisecondTimeConstant)
{
    // No voice sounds: the smoothing runs regardless.
    EngineRig rig;
    rig.send ({ controller (1, 127) });
    rig.render (882);
    EXPECT_NEAR (WarbleProcessorTestAccess::modWheelSmoothed (rig.processor), 0.632, 0.001);

    rig.render (882 * 9);
    EXPECT_NEAR (WarbleProcessorTestAccess::modWheelSmoothed (rig.processor), 1.0, 0.001);
}

struct CutoffCase
{
    const char* name;
    double rate;
    float base, amount, wheel;
    double expectedCoefficient;
    float resonance = 0.35f;
};

class Cutoff : public testing::TestWithParam<CutoffCase> {};

// After one sample from cleared stages, the second stage holds g times the first, which shows
// the filter coefficient directly.
TEST_P (Cutoff, CoefficientFollowsWheelAndParameters)
{
    const auto& c = GetParam();
    EngineRig rig (c.rate);
    rig.set ("filterBase", c.base);
    rig.set ("filterMod", c.amount);
    rig.set ("resonance", c.resonance);
    rig.holdWheel (c.wheel);
    rig.send ({ noteOn (69) });
    rig.render (1);

    const auto& stages = rig.voice (0).filterStages;
    ASSERT_NE (stages[0], 0.0f);
    EXPECT_NEAR ((double) stages[1] / (double) stages[0], c.expectedCoefficient, c.expectedCoefficient * 2.0e-5);
}

namespace
{
    constexpr double twoPi = 6.283185307179586;

    /** The largest coefficient at which the resonance loop's gain at the Nyquist frequency,
        feedback x (g / (2 - g))^4, stays at 0.9. */
    double ceilingFor (double resonance)
    {
        const auto feedback = 3.8 * resonance;

        if (feedback <= 0.0)
            return 0.99;

        const auto root = std::pow (0.9 / feedback, 0.25);
        return std::min (0.99, 2.0 * root / (1.0 + root));
    }

    double coefficientFor (double cutoff, double rate, double resonance = 0.35)
    {
        return std::min (std::min (cutoff / rate * twoPi, 0.99), ceilingFor (resonance));
    }
}

INSTANTIATE_TEST_SUITE_P (VoiceChain, Cutoff, testing::Values (
    CutoffCase { "LowestBase",             44100.0, 0.1f, 0.0f, 0.0f,  coefficientFor (80.0 * std::pow (100.0, 0.1), 44100.0) },
    CutoffCase { "DefaultsWheelAtZero",    44100.0, 0.35f, 0.7f, 0.0f, coefficientFor (80.0 * std::pow (100.0, 0.35), 44100.0) },
    CutoffCase { "WheelAddsToTheExponent", 44100.0, 0.35f, 0.7f, 0.5f, coefficientFor (80.0 * std::pow (100.0, 0.7), 44100.0) },
    CutoffCase { "ExponentCappedAtOne",    96000.0, 0.6f, 0.7f, 1.0f,  coefficientFor (8000.0, 96000.0) },
    CutoffCase { "EightKilohertzExactly",  96000.0, 1.0f, 0.0f, 0.0f,  coefficientFor (8000.0, 96000.0) },
    CutoffCase { "CoefficientCeiling",     44100.0, 1.0f, 1.0f, 1.0f,  0.99, 0.25f },
    CutoffCase { "CeilingAtNoResonance",   44100.0, 1.0f, 1.0f, 1.0f,  0.99, 0.0f },
    // The default resonance lowers the ceiling to about 0.951, the largest to about 0.862.
    CutoffCase { "ResonanceCeiling",       44100.0, 1.0f, 1.0f, 1.0f,  ceilingFor (0.35), 0.35f },
    CutoffCase { "FullResonanceCeiling",   48000.0, 1.0f, 1.0f, 1.0f,  ceilingFor (1.0), 1.0f },
    CutoffCase { "BelowTheCeiling",        96000.0, 1.0f, 1.0f, 1.0f,  coefficientFor (8000.0, 96000.0, 1.0), 1.0f },
    // Below 0.45 x 8000 Hz, but the coefficient ceiling applies first.
    CutoffCase { "LowRate",                8000.0,  0.5f, 0.0f, 0.0f,  coefficientFor (800.0, 8000.0) },
    CutoffCase { "LowRateWideOpen",        8000.0,  1.0f, 1.0f, 1.0f,  0.99, 0.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

struct WaveCase
{
    float blend;
    double phase;
    double expected;
};

class Oscillator : public testing::TestWithParam<WaveCase> {};

// The first filter stage, from cleared stages, holds tanh (oscillator) times g after one sample,
// and the second holds g times the first: together they give the oscillator's value.
TEST_P (Oscillator, BlendsSoftSineWithRoundedSaw)
{
    const auto& c = GetParam();
    EngineRig rig;
    rig.set ("waveBlend", c.blend);
    rig.send ({ noteOn (69) });
    rig.voice (0).phase = c.phase - 440.0 / 44100.0;
    rig.render (1);

    const auto& stages = rig.voice (0).filterStages;
    const auto g = (double) stages[1] / (double) stages[0];
    EXPECT_NEAR (std::atanh ((double) stages[0] / g), c.expected, 2.0e-5) << "phase " << rig.voice (0).phase;
}

INSTANTIATE_TEST_SUITE_P (VoiceChain, Oscillator, testing::Values (
    // Blend 0: 0.85 sine plus 0.15 triangle (-1 at phase 0, +1 at phase 0.5).
    WaveCase { 0.0f, 0.25, 0.85 },
    WaveCase { 0.0f, 0.5, 0.15 },
    WaveCase { 0.0f, 0.75, -0.85 },
    WaveCase { 0.0f, 0.125, 0.85 * std::sqrt (0.5) - 0.075 },
    // Blend 1: (saw - 0.33 saw^3) x 0.55, peaking near +-0.3685 at the ends of the cycle.
    WaveCase { 1.0f, 0.625, (0.25 - 0.33 * 0.015625) * 0.55 },
    WaveCase { 1.0f, 0.75, (0.5 - 0.33 * 0.125) * 0.55 },
    WaveCase { 1.0f, 0.999, (0.998 - 0.33 * 0.998 * 0.998 * 0.998) * 0.55 },
    WaveCase { 1.0f, 0.001, -(0.998 - 0.33 * 0.998 * 0.998 * 0.998) * 0.55 },
    // Halfway: the average of the two.
    WaveCase { 0.5f, 0.25, 0.5 * 0.85 + 0.5 * (-0.5 + 0.33 * 0.125) * 0.55 }));

TEST (OutputStage, DryOutputNeverExceedsPointEightFive)
{
    EngineRig rig;
    rig.set ("volume", 1.0f);
    rig.set ("resonance", 0.0f);
    rig.set ("waveBlend", 0.0f);
    rig.set ("filterBase", 1.0f);
    rig.set ("glideTime", 0.0f);
    rig.send ({ controller (1, 127) });

    for (int note = 40; note < 48; ++note)
        rig.send ({ noteOn (note, 127) });

    const auto buffer = rig.render (44100);
    EXPECT_LE (peakMagnitude (buffer, 0), 0.85f);
    EXPECT_GT (peakMagnitude (buffer, 0), 0.8f);
    EXPECT_TRUE (allFinite (buffer));
}

TEST (OutputStage, SilenceAndZeroVolumeGiveExactlyZero)
{
    EngineRig rig;
    EXPECT_EQ (peakMagnitude (rig.render (1024), 0), 0.0f);

    rig.set ("volume", 0.0f);
    rig.send ({ noteOn (60, 127), noteOn (64, 127) });
    EXPECT_EQ (peakMagnitude (rig.render (4096), 0), 0.0f);
}

TEST (OutputStage, ReverbSettingsFollowTheReverbParameter)
{
    for (const auto r : { 0.0f, 0.35f, 1.0f })
    {
        EngineRig rig (44100.0, 2);
        rig.set ("reverb", r);
        rig.render (0);

        const auto& p = WarbleProcessorTestAccess::reverbParameters (rig.processor);
        EXPECT_FLOAT_EQ (p.roomSize, r * 0.4f + 0.55f);
        EXPECT_FLOAT_EQ (p.damping, 0.4f);
        EXPECT_FLOAT_EQ (p.wetLevel, r * 0.55f);
        EXPECT_FLOAT_EQ (p.dryLevel, 1.0f - r * 0.25f);
        EXPECT_EQ (p.width, 1.0f);
        EXPECT_EQ (p.freezeMode, 0.0f);
    }
}

TEST (OutputStage, ReverbAtZeroPassesTheDrySignalWithoutWet)
{
    EngineRig dry (44100.0, 3), stereo (44100.0, 2);

    for (auto* rig : { &dry, &stereo })
    {
        rig->set ("reverb", 0.0f);
        rig->send ({ noteOn (60), noteOn (67) });
    }

    const auto reference = dry.render (8192);
    const auto reverberated = stereo.render (8192);

    // JUCE's reverb turns a dry level of 1.0 into a gain of 2, reached after its 10 ms ramp.
    for (int i = 1024; i < 8192; ++i)
    {
        ASSERT_EQ (reverberated.getSample (0, i), 2.0f * reference.getSample (0, i)) << i;
        ASSERT_EQ (reverberated.getSample (1, i), 2.0f * reference.getSample (1, i)) << i;
    }
}

struct ChannelCase
{
    int channels;
    bool hasReverb;
};

class ChannelLayout : public testing::TestWithParam<ChannelCase> {};

TEST_P (ChannelLayout, SignalAndReverbReachTheDocumentedChannels)
{
    const auto& c = GetParam();
    EngineRig rig (44100.0, c.channels);
    rig.send ({ noteOn (60, 127) });

    const auto playing = rig.render (4410);
    EXPECT_EQ (rig.processor.activeVoiceCount.load(), 1);
    EXPECT_TRUE (allFinite (playing));

    for (int channel = 0; channel < c.channels; ++channel)
    {
        if (channel < 2)
            EXPECT_GT (peakMagnitude (playing, channel), 0.01f) << "channel " << channel;
        else
            EXPECT_EQ (peakMagnitude (playing, channel), 0.0f) << "channel " << channel;
    }

    if (c.channels >= 3)
    {
        for (int i = 0; i < playing.getNumSamples(); ++i)
            ASSERT_EQ (playing.getSample (0, i), playing.getSample (1, i));
    }

    rig.send ({ noteOff (60) });
    rig.render (13300);
    ASSERT_EQ (rig.numActiveVoices(), 0);

    // Once the voice has ended, only the reverb's tail can be heard.
    const auto after = rig.render (2048);
    for (int channel = 0; channel < c.channels; ++channel)
    {
        if (c.hasReverb)
            EXPECT_GT (peakMagnitude (after, channel), 1.0e-4f) << "channel " << channel;
        else
            EXPECT_EQ (peakMagnitude (after, channel), 0.0f) << "channel " << channel;
    }
}

INSTANTIATE_TEST_SUITE_P (OutputStage, ChannelLayout, testing::Values (ChannelCase { 0, false },
                                                                       ChannelCase { 1, true },
                                                                       ChannelCase { 2, true },
                                                                       ChannelCase { 3, false },
                                                                       ChannelCase { 6, false }),
                          [] (const auto& testInfo) { return std::to_string (testInfo.param.channels) + "Channels"; });
