#include "hosting/HostedInstrument.h"
#include "hosting/PerformanceRenderer.h"
#include "midi/Performance.h"

#include <gtest/gtest.h>

class HostedInstrumentTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        juce::String error;
        instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), 48000.0, 512, error).release();
        ASSERT_NE (instrument, nullptr) << error;
    }

    static void TearDownTestSuite()
    {
        delete instrument;
        instrument = nullptr;
    }

    static HostedInstrument* instrument;
};

HostedInstrument* HostedInstrumentTest::instrument = nullptr;

TEST_F (HostedInstrumentTest, FindsEveryParameterByItsIdentifier)
{
    const std::pair<const char*, const char*> expected[] = {
        { "waveBlend", "Wave Blend" }, { "glideTime", "Glide" }, { "vibratoRate", "Vibrato Rate" },
        { "filterBase", "Filter Base" }, { "filterMod", "Filter Mod" }, { "resonance", "Resonance" },
        { "volume", "Volume" }, { "reverb", "Reverb" }, { "legato", "Legato" },
    };

    ASSERT_EQ (ParameterMap::getInstrumentParameterIds().size(), (int) std::size (expected));
    std::set<juce::AudioProcessorParameter*> found;

    for (const auto& [id, name] : expected)
    {
        EXPECT_TRUE (ParameterMap::getInstrumentParameterIds().contains (id));
        auto* parameter = instrument->getParameters().find (id);
        ASSERT_NE (parameter, nullptr) << id;
        EXPECT_EQ (parameter->getName (64), name);
        EXPECT_EQ (parameter->getParameterID(), juce::String (ParameterMap::toVst3ParameterId (id, true)));
        found.insert (parameter);
    }

    EXPECT_EQ (found.size(), std::size (expected));
    EXPECT_EQ (instrument->getParameters().find ("Glide"), nullptr);
    EXPECT_EQ (instrument->getParameters().find ("byps"), nullptr);
}

TEST_F (HostedInstrumentTest, ReadsRangesFromThePluginsOwnText)
{
    const std::tuple<const char*, double, double, bool> expected[] = {
        { "glideTime", 0.0, 500.0, false },
        { "vibratoRate", 2.0, 10.0, false },
        { "filterBase", 0.1, 1.0, false },
        { "legato", 0.0, 1.0, true },
    };

    for (const auto& [id, start, end, isSwitch] : expected)
    {
        ParameterMap::Range range;
        ASSERT_TRUE (ParameterMap::getRange (*instrument->getParameters().find (id), range).wasOk()) << id;
        EXPECT_DOUBLE_EQ (range.start, start) << id;
        EXPECT_DOUBLE_EQ (range.end, end) << id;
        EXPECT_EQ (range.isSwitch, isSwitch) << id;
    }
}

TEST_F (HostedInstrumentTest, ConvertsRealValuesAsThePluginSnapsThem)
{
    const std::tuple<const char*, double, float> cases[] = {
        { "glideTime", 250.0, 0.5f },
        { "glideTime", 250.04, 0.5f },
        { "glideTime", 500.0, 1.0f },
        { "vibratoRate", 2.0, 0.0f },
        { "vibratoRate", 6.0, 0.5f },
        { "filterBase", 0.1, 0.0f },
        { "filterBase", 1.0, 1.0f },
        { "waveBlend", 0.25, 0.25f },
        { "legato", 1.0, 1.0f },
        { "legato", 0.0, 0.0f },
    };

    for (const auto& [id, real, normalised] : cases)
    {
        float converted = -1.0f;
        const auto result = instrument->getParameters().toNormalised (id, real, converted);
        ASSERT_TRUE (result.wasOk()) << id << " " << real << ": " << result.getErrorMessage();
        EXPECT_NEAR (converted, normalised, 1.0e-6f) << id << " " << real;
    }
}

TEST_F (HostedInstrumentTest, RefusesValuesOutsideTheRange)
{
    const std::tuple<const char*, double, const char*> cases[] = {
        { "glideTime", 600.0, "value 600 for glideTime is out of range 0 to 500" },
        { "glideTime", -3.0, "out of range 0 to 500" },
        { "filterBase", 0.05, "value 0.05 for filterBase is out of range 0.1 to 1" },
        { "vibratoRate", 10.5, "out of range 2 to 10" },
        { "legato", 0.5, "legato is not allowed: it is a switch, 0 (off) or 1 (on)" },
        { "legato", 2.0, "it is a switch" },
        { "wobble", 0.0, "the plug-in has no parameter wobble" },
    };

    for (const auto& [id, real, expected] : cases)
    {
        auto converted = 0.5f;
        const auto result = instrument->getParameters().toNormalised (id, real, converted);
        ASSERT_TRUE (result.failed()) << id << " " << real;
        EXPECT_TRUE (result.getErrorMessage().contains (expected)) << result.getErrorMessage();
        EXPECT_EQ (converted, 0.5f);
    }
}

TEST (HostedInstrument, PreparesMonoAndStereoOutput)
{
    for (const auto channels : { 1, 2 })
    {
        juce::String error;
        auto instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), 44100.0, 256, error);
        ASSERT_NE (instrument, nullptr) << error;

        ASSERT_TRUE (instrument->prepare (44100.0, 256, channels).wasOk());
        EXPECT_EQ (instrument->getPlugin().getTotalNumOutputChannels(), channels);
        EXPECT_EQ (instrument->getPlugin().getMainBusNumOutputChannels(), channels);
        EXPECT_TRUE (instrument->getPlugin().isNonRealtime());
    }
}

TEST (HostedInstrument, ExplainsWhyABundleDoesNotLoad)
{
    const auto notAPlugin = juce::File::createTempFile (".vst3");
    ASSERT_TRUE (notAPlugin.replaceWithText ("not a plug-in"));

    const std::pair<juce::File, const char*> cases[] = {
        { juce::File ("/nonexistent/Warble.vst3"), "plug-in not found: /nonexistent/Warble.vst3" },
        { notAPlugin, "cannot load plug-in" },
    };

    for (const auto& [bundle, expected] : cases)
    {
        juce::String error;
        EXPECT_EQ (HostedInstrument::load (bundle, 48000.0, 512, error), nullptr);
        EXPECT_TRUE (error.contains (expected)) << error;
    }

    notAPlugin.deleteFile();
}

TEST (HostedInstrument, ParameterChangesDuringThePerformanceReachThePlugin)
{
    constexpr double sampleRate = 48000.0;
    juce::String error;
    auto instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), sampleRate, 512, error);
    ASSERT_NE (instrument, nullptr) << error;
    ASSERT_TRUE (instrument->prepare (sampleRate, 512, 1).wasOk());

    // Two overlapping notes with legato on, then the same again with legato off: one voice
    // glides in the first overlap, two voices sound in the second.
    Performance performance;
    performance.addParameterChange (0.0, "waveBlend", 0.0);
    performance.addParameterChange (0.0, "filterBase", 1.0);
    performance.addParameterChange (0.0, "resonance", 0.0);
    performance.addParameterChange (0.0, "reverb", 0.0);
    performance.addParameterChange (0.0, "legato", 1.0);
    performance.addParameterChange (1.6, "legato", 0.0);

    for (const auto start : { 0.0, 2.0 })
    {
        performance.addMidi (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 100), start);
        performance.addMidi (juce::MidiMessage::noteOn (1, 76, (juce::uint8) 100), start + 0.5);
        performance.addMidi (juce::MidiMessage::noteOff (1, 69), start + 1.0);
        performance.addMidi (juce::MidiMessage::noteOff (1, 76), start + 1.5);
    }

    PerformanceRenderer renderer (instrument->getPlugin(), sampleRate, 512);
    std::vector<PerformanceRenderer::ParameterChange> changes;

    for (const auto& change : performance.getParameterChanges())
    {
        PerformanceRenderer::ParameterChange scheduled { renderer.toSamplePosition (change.timeInSeconds),
                                                         instrument->getParameters().find (change.parameterId), 0.0f };
        ASSERT_TRUE (instrument->getParameters().toNormalised (change.parameterId, change.value,
                                                               scheduled.normalisedValue).wasOk());
        changes.push_back (scheduled);
    }

    juce::AudioBuffer<float> recording (1, (int) renderer.getLengthInSamples (performance.getEndTime(), 0.0));
    int written = 0;
    const auto result = renderer.render (performance.getMidi(), changes, recording.getNumSamples(),
        [&] (juce::AudioBuffer<float>& block)
        {
            recording.copyFrom (0, written, block, 0, 0, block.getNumSamples());
            written += block.getNumSamples();
            return juce::Result::ok();
        },
        [] (juce::int64, juce::int64) { return true; });
    ASSERT_TRUE (result.wasOk());

    const auto levelAt = [&] (double seconds)
    {
        return recording.getRMSLevel (0, (int) (seconds * sampleRate), (int) (0.2 * sampleRate));
    };

    const auto singleNote = levelAt (0.2);
    EXPECT_GT (singleNote, 0.1f);
    EXPECT_NEAR (levelAt (0.7), singleNote, singleNote * 0.05f);
    EXPECT_GT (levelAt (2.7), singleNote * 1.15f);
}
