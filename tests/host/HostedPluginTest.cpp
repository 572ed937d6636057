#include "PluginBundleLoader.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <map>

// Loads the built Warble.vst3 through JUCE's VST3 hosting, as a DAW does, and checks what a host
// sees of it.
namespace
{
    struct OwnParameter
    {
        const char* id;
        const char* name;
        float normalisedDefault;
        const char* defaultText;
    };

    const OwnParameter ownParameters[] = {
        { "waveBlend",   "Wave Blend",   0.15f,         "0.150" },
        { "glideTime",   "Glide",        0.16f,         "80.0" },
        { "vibratoRate", "Vibrato Rate", 0.375f,        "5.00" },
        { "filterBase",  "Filter Base",  0.25f / 0.9f,  "0.350" },
        { "filterMod",   "Filter Mod",   0.7f,          "0.700" },
        { "resonance",   "Resonance",    0.35f,         "0.350" },
        { "volume",      "Volume",       0.7f,          "0.700" },
        { "reverb",      "Reverb",       0.35f,         "0.350" },
        { "legato",      "Legato",       0.0f,          "Off" },
    };

    juce::String hostParameterId (const char* id)
    {
        return juce::String (juce::VST3ClientExtensions::convertJuceParameterId (id, true));
    }

    class HostedPlugin : public testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            juce::OwnedArray<juce::PluginDescription> found;
            juce::VST3PluginFormat().findAllTypesForFile (found, WARBLE_BUILT_VST3_BUNDLE);
            ASSERT_EQ (found.size(), 1) << "no plug-in found in " << WARBLE_BUILT_VST3_BUNDLE;
            description = *found[0];
        }

        static std::unique_ptr<juce::AudioPluginInstance> createInstance (double rate = 48000.0, int block = 512)
        {
            juce::String error;
            auto instance = juce::VST3PluginFormat().createInstanceFromDescription (description, rate, block, error);
            EXPECT_NE (instance, nullptr) << error;
            return instance;
        }

        // The instrument's own parameters, by identifier; the wrapper adds "Bypass" and the
        // controller-emulation parameters beside them.
        static std::map<juce::String, juce::AudioProcessorParameter*> ownParametersOf (juce::AudioPluginInstance& instance)
        {
            std::map<juce::String, juce::AudioProcessorParameter*> result;

            for (auto* param : instance.getParameters())
                if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (param))
                    for (const auto& own : ownParameters)
                        if (hosted->getParameterID() == hostParameterId (own.id))
                            result[own.id] = param;

            return result;
        }

        static inline juce::PluginDescription description;
    };
}

TEST_F (HostedPlugin, DescriptionShowsTheInstrument)
{
    EXPECT_EQ (description.name, "Warble");
    EXPECT_EQ (description.manufacturerName, "KestrelWorks");
    EXPECT_EQ (description.version, "1.0.0");
    EXPECT_EQ (description.category, "Instrument|Synth");
    EXPECT_EQ (description.pluginFormatName, "VST3");
    EXPECT_TRUE (description.isInstrument);

    // The scan reads the bundle's manifest; the channel counts come from a loaded instance.
    const auto instance = createInstance();
    ASSERT_NE (instance, nullptr);
    const auto loaded = instance->getPluginDescription();
    EXPECT_EQ (loaded.numInputChannels, 0);
    EXPECT_EQ (loaded.numOutputChannels, 2);
    EXPECT_TRUE (loaded.isInstrument);
    EXPECT_EQ (instance->getName(), "Warble");
    EXPECT_TRUE (instance->acceptsMidi());
    EXPECT_FALSE (instance->producesMidi());
    EXPECT_TRUE (instance->hasEditor());
    EXPECT_DOUBLE_EQ (instance->getTailLengthSeconds(), 3.0);
    EXPECT_EQ (instance->getMainBusNumOutputChannels(), 2);
    EXPECT_EQ (instance->getBusCount (false), 1);
    EXPECT_EQ (instance->getBus (false, 0)->getName(), "Output");
}

TEST_F (HostedPlugin, BundleCarriesItsManifest)
{
    const auto manifest = juce::File (WARBLE_BUILT_VST3_BUNDLE).getChildFile ("Contents/Resources/moduleinfo.json");
    ASSERT_TRUE (manifest.existsAsFile());

    const auto text = manifest.loadFileAsString();
    for (const auto* expected : { "\"Name\": \"Warble\"", "\"Vendor\": \"KestrelWorks\"", "\"Version\": \"1.0.0\"",
                                  "\"Instrument\"", "\"Synth\"", "\"SDKVersion\": \"VST 3.7.12\"",
                                  "\"Class Flags\": 2", "\"Unicode\": true" })
        EXPECT_TRUE (text.contains (expected)) << expected;

    EXPECT_TRUE (juce::File (WARBLE_BUILT_VST3_BUNDLE).getChildFile ("Contents/x86_64-linux/Warble.so").existsAsFile());
}

TEST_F (HostedPlugin, ParametersAsTheHostSeesThem)
{
    const auto instance = createInstance();
    ASSERT_NE (instance, nullptr);

    const auto& all = instance->getParameters();
    ASSERT_GE (all.size(), 10);

    // The nine come first, in their order, then the wrapper's bypass.
    for (int i = 0; i < 9; ++i)
    {
        const auto& own = ownParameters[i];
        SCOPED_TRACE (own.id);
        auto* param = all[i];
        auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (param);
        ASSERT_NE (hosted, nullptr);

        EXPECT_EQ (hosted->getParameterID(), hostParameterId (own.id));
        EXPECT_EQ (param->getName (100), own.name);
        EXPECT_NEAR (param->getDefaultValue(), own.normalisedDefault, 1.0e-5f);
        EXPECT_NEAR (param->getValue(), own.normalisedDefault, 1.0e-5f);
        EXPECT_EQ (param->getCurrentValueAsText(), own.defaultText);
        EXPECT_TRUE (param->isAutomatable());
    }

    auto* bypass = instance->getBypassParameter();
    ASSERT_NE (bypass, nullptr);
    EXPECT_EQ (bypass->getName (100), "Bypass");
    EXPECT_EQ (all[9], bypass);

    EXPECT_EQ (ownParametersOf (*instance).size(), 9u);
}

TEST_F (HostedPlugin, HostTextAndValuesSnapAsThePluginDoes)
{
    const auto instance = createInstance();
    ASSERT_NE (instance, nullptr);
    auto params = ownParametersOf (*instance);
    ASSERT_EQ (params.size(), 9u);

    auto* glide = params["glideTime"];
    EXPECT_EQ (glide->getText (glide->getValueForText ("250.04"), 100), "250.0");
    EXPECT_EQ (glide->getText (glide->getValueForText ("600"), 100), "500.0");

    auto* rate = params["vibratoRate"];
    EXPECT_EQ (rate->getText (0.0f, 100), "2.00");
    EXPECT_EQ (rate->getText (1.0f, 100), "10.00");

    auto* legato = params["legato"];
    EXPECT_EQ (legato->getText (legato->getValueForText ("yes"), 100), "On");
    EXPECT_EQ (legato->getText (legato->getValueForText ("no"), 100), "Off");
}

TEST_F (HostedPlugin, StateRoundTripsThroughTheComponentState)
{
    juce::MemoryBlock saved;
    {
        const auto source = createInstance();
        ASSERT_NE (source, nullptr);
        auto params = ownParametersOf (*source);
        params["glideTime"]->setValueNotifyingHost (0.5f);
        params["vibratoRate"]->setValueNotifyingHost (params["vibratoRate"]->getValueForText ("7.77"));
        params["legato"]->setValueNotifyingHost (1.0f);
        params["reverb"]->setValueNotifyingHost (0.0f);
        source->getStateInformation (saved);
    }

    const auto restored = createInstance();
    ASSERT_NE (restored, nullptr);
    restored->setStateInformation (saved.getData(), (int) saved.getSize());
    auto params = ownParametersOf (*restored);

    EXPECT_EQ (params["glideTime"]->getCurrentValueAsText(), "250.0");
    EXPECT_EQ (params["vibratoRate"]->getCurrentValueAsText(), "7.77");
    EXPECT_EQ (params["legato"]->getCurrentValueAsText(), "On");
    EXPECT_EQ (params["reverb"]->getCurrentValueAsText(), "0.000");
    EXPECT_EQ (params["volume"]->getCurrentValueAsText(), "0.700");

    // A damaged state leaves the instance as it was.
    juce::MemoryBlock damaged (saved);
    damaged.setSize (damaged.getSize() / 3);
    restored->setStateInformation (damaged.getData(), (int) damaged.getSize());
    EXPECT_EQ (params["glideTime"]->getCurrentValueAsText(), "250.0");
    EXPECT_EQ (params["legato"]->getCurrentValueAsText(), "On");
}

TEST_F (HostedPlugin, ProcessesAtCommonRatesSilentUntilPlayed)
{
    for (const auto rate : { 44100.0, 48000.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        const auto instance = createInstance (rate, 256);
        ASSERT_NE (instance, nullptr);
        warble::test::expectSilentUntilPlayed (*instance, rate);
    }
}

TEST_F (HostedPlugin, TwoInstancesAreIndependent)
{
    const auto first = createInstance();
    const auto second = createInstance();
    ASSERT_NE (first, nullptr);
    ASSERT_NE (second, nullptr);
    first->prepareToPlay (48000.0, 512);
    second->prepareToPlay (48000.0, 512);

    ownParametersOf (*first)["volume"]->setValueNotifyingHost (0.3f);
    EXPECT_EQ (ownParametersOf (*second)["volume"]->getCurrentValueAsText(), "0.700");

    juce::MidiBuffer note;
    note.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);

    EXPECT_GT (warble::test::renderPeak (*first, 20, 512, note), 0.01f);
    EXPECT_EQ (warble::test::renderPeak (*second, 20, 512, {}), 0.0f);

    juce::MemoryBlock firstState, secondState;
    first->getStateInformation (firstState);
    second->getStateInformation (secondState);
    EXPECT_NE (firstState, secondState);
}
