#include "host/PluginBundleLoader.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

#include <map>

// Loads the built Warble.lv2 through JUCE's LV2 hosting, as an LV2 host does, and checks that it
// is the same instrument as the VST3: identity, the nine parameters, MIDI in, stereo out and the
// state block. Also reads the bundle with Debian's lv2info, which parses its Turtle files.
namespace
{
    struct OwnParameter
    {
        const char* id;
        const char* name;
        float minimum;
        float maximum;
        float defaultValue;
    };

    const OwnParameter ownParameters[] = {
        { "waveBlend",   "Wave Blend",   0.0f, 1.0f,   0.15f },
        { "glideTime",   "Glide",        0.0f, 500.0f, 80.0f },
        { "vibratoRate", "Vibrato Rate", 2.0f, 10.0f,  5.0f },
        { "filterBase",  "Filter Base",  0.1f, 1.0f,   0.35f },
        { "filterMod",   "Filter Mod",   0.0f, 1.0f,   0.7f },
        { "resonance",   "Resonance",    0.0f, 1.0f,   0.35f },
        { "volume",      "Volume",       0.0f, 1.0f,   0.7f },
        { "reverb",      "Reverb",       0.0f, 1.0f,   0.35f },
        { "legato",      "Legato",       0.0f, 1.0f,   0.0f },
    };

    // An LV2 parameter is named by a URI below the plug-in's own.
    juce::String parameterUri (const char* id)
    {
        return juce::String (WARBLE_LV2_URI) + ":" + id;
    }

    class LV2Plugin : public testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            loader = std::make_unique<warble::test::PluginBundleLoader> (juce::File (WARBLE_BUILT_LV2_BUNDLE));
        }

        static void TearDownTestSuite()
        {
            loader = nullptr;
        }

        void SetUp() override
        {
            ASSERT_TRUE (loader->foundPlugin()) << loader->describeFailure();
        }

        // JUCE's LV2 hosting names a parameter "des:" and its URI, and lists the parameters in the
        // order of their URIs.
        static std::map<juce::String, juce::AudioPluginInstance::HostedParameter*> ownParametersOf (juce::AudioPluginInstance& instance)
        {
            std::map<juce::String, juce::AudioPluginInstance::HostedParameter*> result;

            for (int index = 0; index < instance.getParameters().size(); ++index)
                if (auto* hosted = instance.getHostedParameter (index))
                    for (const auto& own : ownParameters)
                        if (hosted->getParameterID() == "des:" + parameterUri (own.id))
                            result[own.id] = hosted;

            return result;
        }

        static inline std::unique_ptr<warble::test::PluginBundleLoader> loader;
    };

    using warble::test::runProgram;

    int countOccurrences (const juce::String& text, const juce::String& part)
    {
        int count = 0;

        for (auto index = text.indexOf (part); index >= 0; index = text.indexOf (index + part.length(), part))
            ++count;

        return count;
    }
}

TEST_F (LV2Plugin, DescriptionShowsTheInstrument)
{
    const auto& description = loader->getDescription();
    EXPECT_EQ (description.name, "Warble");
    EXPECT_EQ (description.manufacturerName, "KestrelWorks");
    EXPECT_EQ (description.pluginFormatName, "LV2");
    EXPECT_EQ (description.fileOrIdentifier, WARBLE_LV2_URI);
    EXPECT_TRUE (description.isInstrument);

    const auto instance = loader->createInstance();
    ASSERT_NE (instance, nullptr);
    EXPECT_EQ (instance->getName(), "Warble");
    EXPECT_TRUE (instance->acceptsMidi());
    EXPECT_FALSE (instance->producesMidi());
    EXPECT_TRUE (instance->hasEditor());
    EXPECT_EQ (instance->getTotalNumInputChannels(), 0);
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);
}

TEST_F (LV2Plugin, ParametersAsTheHostSeesThem)
{
    const auto instance = loader->createInstance();
    ASSERT_NE (instance, nullptr);
    const auto params = ownParametersOf (*instance);
    ASSERT_EQ (params.size(), std::size (ownParameters));

    for (const auto& own : ownParameters)
    {
        SCOPED_TRACE (own.id);
        auto* param = params.at (own.id);
        EXPECT_EQ (param->getName (100), own.name);

        // The host shows the real range; its normalised values are linear in it, as the
        // plug-in's own are. The switch reads "Off" and "On" (below).
        if (! param->isBoolean())
        {
            EXPECT_FLOAT_EQ (param->getText (0.0f, 100).getFloatValue(), own.minimum);
            EXPECT_FLOAT_EQ (param->getText (1.0f, 100).getFloatValue(), own.maximum);
        }

        const auto normalisedDefault = (own.defaultValue - own.minimum) / (own.maximum - own.minimum);
        EXPECT_NEAR (param->getDefaultValue(), normalisedDefault, 1.0e-5f);
        EXPECT_NEAR (param->getValue(), normalisedDefault, 1.0e-5f);
    }

    EXPECT_TRUE (params.at ("legato")->isBoolean());
    EXPECT_EQ (params.at ("legato")->getText (0.0f, 100), "Off");
    EXPECT_EQ (params.at ("legato")->getText (1.0f, 100), "On");
}

TEST_F (LV2Plugin, StateSavedByOneInstanceRestoresIntoAnother)
{
    juce::MemoryBlock saved;
    {
        const auto source = loader->createInstance();
        ASSERT_NE (source, nullptr);
        auto params = ownParametersOf (*source);
        params["glideTime"]->setValue (0.5f);
        params["vibratoRate"]->setValue (0.25f);
        params["legato"]->setValue (1.0f);
        params["reverb"]->setValue (0.0f);

        // The hosted plug-in takes parameter changes with its next block, as in a running host.
        source->prepareToPlay (48000.0, 512);
        warble::test::renderPeak (*source, 1, 512, {});
        source->getStateInformation (saved);
        source->releaseResources();
    }

    // The plug-in's state travels as its own state block ("VC2!" and the parameters as XML),
    // in the text form JUCE's LV2 client writes.
    const auto stateText = saved.toString();
    const auto key = parameterUri ("StateString");
    ASSERT_TRUE (stateText.contains (key)) << stateText;
    const auto encoded = stateText.fromFirstOccurrenceOf (key, false, false)
                                  .fromFirstOccurrenceOf ("\"", false, false)
                                  .upToFirstOccurrenceOf ("\"", false, false);
    juce::MemoryBlock block;
    ASSERT_TRUE (block.fromBase64Encoding (encoded)) << encoded;
    ASSERT_GT (block.getSize(), 8u);
    EXPECT_EQ (juce::String::fromUTF8 (static_cast<const char*> (block.getData()), 4), "VC2!");
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    ASSERT_NE (xml, nullptr);
    ASSERT_NE (xml->getChildByAttribute ("id", "glideTime"), nullptr) << xml->toString();
    EXPECT_DOUBLE_EQ (xml->getChildByAttribute ("id", "glideTime")->getDoubleAttribute ("value"), 250.0);

    const auto restored = loader->createInstance();
    ASSERT_NE (restored, nullptr);
    restored->prepareToPlay (48000.0, 512);
    restored->setStateInformation (saved.getData(), (int) saved.getSize());

    // The host learns the restored values from the plug-in's messages in the next block.
    warble::test::renderPeak (*restored, 1, 512, {});
    restored->releaseResources();
    auto params = ownParametersOf (*restored);

    EXPECT_FLOAT_EQ (params["glideTime"]->getText (params["glideTime"]->getValue(), 100).getFloatValue(), 250.0f);
    EXPECT_FLOAT_EQ (params["vibratoRate"]->getText (params["vibratoRate"]->getValue(), 100).getFloatValue(), 4.0f);
    EXPECT_EQ (params["legato"]->getText (params["legato"]->getValue(), 100), "On");
    EXPECT_FLOAT_EQ (params["reverb"]->getValue(), 0.0f);
    EXPECT_NEAR (params["volume"]->getValue(), 0.7f, 1.0e-5f);
}

TEST_F (LV2Plugin, ProcessesSilentUntilPlayed)
{
    for (const auto rate : { 44100.0, 48000.0, 96000.0 })
    {
        SCOPED_TRACE (rate);
        const auto instance = loader->createInstance (rate, 256);
        ASSERT_NE (instance, nullptr);
        warble::test::expectSilentUntilPlayed (*instance, rate);
    }
}

TEST_F (LV2Plugin, Lv2infoReadsTheBundle)
{
    // LV2_PATH holds only this build's bundle, so an installed Warble cannot answer instead.
    warble::test::ChildProgram::Settings onlyThisBuild;
    onlyThisBuild.environment["LV2_PATH"] = juce::File (WARBLE_BUILT_LV2_BUNDLE).getParentDirectory().getFullPathName();

    const auto run = runProgram ({ "lv2info", WARBLE_LV2_URI }, onlyThisBuild);
    ASSERT_EQ (run.exitCode, 0) << run.output;
    const auto& text = run.output;

    // lilv reports every Turtle syntax or data error it meets.
    EXPECT_FALSE (text.containsIgnoreCase ("error")) << text;
    EXPECT_TRUE (text.contains ("Name:              Warble")) << text;
    EXPECT_TRUE (text.contains ("Author:            KestrelWorks")) << text;

    // Stereo out; MIDI in through the control atom port.
    EXPECT_EQ (countOccurrences (text, "Type:        http://lv2plug.in/ns/lv2core#AudioPort\n\t\t             http://lv2plug.in/ns/lv2core#OutputPort"), 2) << text;
    EXPECT_EQ (countOccurrences (text, "http://lv2plug.in/ns/lv2core#AudioPort"), 2) << text;
    EXPECT_TRUE (text.contains ("Type:        http://lv2plug.in/ns/ext/atom#AtomPort\n\t\t             http://lv2plug.in/ns/lv2core#InputPort")) << text;

    // The parameters are not ports but patch properties; lv2info writes what it read of them
    // into the description it is asked for.
    const auto described = juce::File::createTempFile ("ttl");
    const auto describing = runProgram ({ "lv2info", "-p", described.getFullPathName(), WARBLE_LV2_URI }, onlyThisBuild);
    ASSERT_EQ (describing.exitCode, 0) << describing.output;
    EXPECT_FALSE (describing.output.containsIgnoreCase ("error")) << describing.output;
    const auto description = described.loadFileAsString();
    described.deleteFile();
    EXPECT_TRUE (description.contains ("<http://lv2plug.in/ns/ext/midi#MidiEvent>")) << description;

    const auto writable = description.fromFirstOccurrenceOf ("<http://lv2plug.in/ns/ext/patch#writable>", false, false)
                                     .upToFirstOccurrenceOf (";", false, false);

    for (const auto& own : ownParameters)
        EXPECT_TRUE (writable.contains ("<" + parameterUri (own.id) + ">")) << own.id << " in " << description;
}
