#include "clap/ClapPluginHost.h"
#include "hosting/HostedInstrument.h"
#include "hosting/PerformanceRenderer.h"
#include "host/PluginBundleLoader.h"
#include "support/Phrase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

#if defined (__SANITIZE_ADDRESS__)
 #include <sanitizer/lsan_interface.h>

// Leaks are looked for once every instance is gone (at the end of the lifecycle test), not at the
// program's exit, where the threads of the two hosted plug-ins' libraries are still being taken
// down and LeakSanitizer's own tracer has been seen to crash.
extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options()
{
    return "leak_check_at_exit=0";
}
#endif

// The built Warble.clap loaded through CLAP's C API as a DAW loads it, and compared with the built
// Warble.vst3 driven through JUCE's VST3 hosting: identity, ports, parameters, state, and the
// samples it renders.
namespace
{
    using warble::test::ClapEventList;
    using warble::test::ClapPluginHost;
    using warble::test::Phrase;

    const juce::StringArray& parameterIds()
    {
        return ParameterMap::getInstrumentParameterIds();
    }

    std::unique_ptr<ClapPluginHost> loadClap()
    {
        auto host = std::make_unique<ClapPluginHost> (WARBLE_BUILT_CLAP_FILE, WARBLE_CLAP_ID);
        EXPECT_EQ (host->getError(), "");
        return host->getPlugin() != nullptr ? std::move (host) : nullptr;
    }

    /** The CLAP id of a parameter, by the instrument's identifier: the plug-in lists them in the
        instrument's order (checked below). */
    clap_id clapIdOf (const ClapPluginHost& host, const juce::String& identifier)
    {
        return host.parameterId ((uint32_t) parameterIds().indexOf (identifier));
    }

    std::string clapText (const ClapPluginHost& host, clap_id id, double value)
    {
        char text[CLAP_NAME_SIZE] {};
        const auto* params = host.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
        EXPECT_TRUE (params->value_to_text (host.getPlugin(), id, value, text, sizeof (text)));
        return text;
    }

    double clapValueOf (const ClapPluginHost& host, clap_id id, const std::string& text)
    {
        double value = -1.0;
        const auto* params = host.extension<clap_plugin_params> (CLAP_EXT_PARAMS);
        EXPECT_TRUE (params->text_to_value (host.getPlugin(), id, text.c_str(), &value));
        return value;
    }

    /** Every parameter's value as the host shows it, by identifier. */
    std::map<juce::String, std::string> clapTexts (const ClapPluginHost& host)
    {
        std::map<juce::String, std::string> texts;

        for (const auto& identifier : parameterIds())
        {
            const auto id = clapIdOf (host, identifier);
            texts[identifier] = clapText (host, id, host.parameterValue (id));
        }

        return texts;
    }

    std::map<juce::String, std::string> vst3Texts (juce::AudioPluginInstance& instance)
    {
        const ParameterMap parameters (instance);
        std::map<juce::String, std::string> texts;

        for (const auto& identifier : parameterIds())
            texts[identifier] = parameters.find (identifier)->getCurrentValueAsText().toStdString();

        return texts;
    }

    std::unique_ptr<juce::AudioPluginInstance> loadVst3()
    {
        const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };
        return loader.foundPlugin() ? loader.createInstance() : nullptr;
    }

    /** A VST3 instance's component state, which holds the plug-in's own block (JUCE's hosting
        wraps it in XML, base64-encoded). */
    std::vector<uint8_t> vst3ComponentState (juce::AudioPluginInstance& instance)
    {
        juce::MemoryBlock wrapped;
        instance.getStateInformation (wrapped);
        const auto xml = juce::AudioProcessor::getXmlFromBinary (wrapped.getData(), (int) wrapped.getSize());

        juce::MemoryBlock component;

        if (xml == nullptr || xml->getChildByName ("IComponent") == nullptr
            || ! component.fromBase64Encoding (xml->getChildByName ("IComponent")->getAllSubText()))
            return {};

        const auto* bytes = static_cast<const uint8_t*> (component.getData());
        return { bytes, bytes + component.getSize() };
    }

    void setVst3ComponentState (juce::AudioPluginInstance& instance, const std::vector<uint8_t>& state)
    {
        juce::XmlElement xml ("VST3PluginState");
        xml.createNewChildElement ("IComponent")->addTextElement (juce::MemoryBlock (state.data(), state.size()).toBase64Encoding());
        juce::MemoryBlock wrapped;
        juce::AudioProcessor::copyXmlToBinary (xml, wrapped);
        instance.setStateInformation (wrapped.getData(), (int) wrapped.getSize());
    }

    /** A parameter set to a real value at a time in seconds. */
    struct Automation
    {
        double seconds;
        juce::String identifier;
        double value;
    };

    /** Renders through the VST3 in blocks of one size; automation takes effect at the start of
        the block that holds its time, as a VST3 host delivers it. */
    juce::AudioBuffer<float> renderVst3 (const Phrase& phrase, double seconds, double rate, int blockSize,
                                         const std::vector<Automation>& automation = {})
    {
        juce::String error;
        auto instrument = HostedInstrument::load (juce::File (WARBLE_BUILT_VST3_BUNDLE), rate, blockSize, error);

        if (instrument == nullptr)
        {
            ADD_FAILURE() << error;
            return {};
        }

        EXPECT_TRUE (instrument->prepare (rate, blockSize, 2).wasOk());

        PerformanceRenderer renderer (instrument->getPlugin(), rate, blockSize);
        std::vector<PerformanceRenderer::ParameterChange> changes;

        for (const auto& change : automation)
        {
            auto normalised = 0.0f;
            EXPECT_TRUE (instrument->getParameters().toNormalised (change.identifier, change.value, normalised).wasOk());
            const auto blockStart = renderer.toSamplePosition (change.seconds) / blockSize * blockSize;
            changes.push_back ({ blockStart, instrument->getParameters().find (change.identifier), normalised });
        }

        juce::AudioBuffer<float> take (2, (int) renderer.toSamplePosition (seconds));
        int position = 0;

        const auto rendered = renderer.render (phrase.getMidi(), changes, take.getNumSamples(), [&] (juce::AudioBuffer<float>& block)
        {
            for (int channel = 0; channel < 2; ++channel)
                take.copyFrom (channel, position, block, channel, 0, block.getNumSamples());

            position += block.getNumSamples();
            return juce::Result::ok();
        }, nullptr);

        EXPECT_TRUE (rendered.wasOk()) << rendered.getErrorMessage();
        return take;
    }

    /** Renders through the CLAP in blocks whose sizes follow the pattern round and round. Every
        MIDI event goes at its own sample within its block; automation goes as parameter events
        in the middle of the block that holds its time. */
    juce::AudioBuffer<float> renderClap (ClapPluginHost& host, const Phrase& phrase, double seconds, double rate,
                                         const std::vector<int>& blockPattern, const std::vector<Automation>& automation = {})
    {
        const auto maxBlock = *std::max_element (blockPattern.begin(), blockPattern.end());
        EXPECT_TRUE (host.activate (rate, 1, (uint32_t) maxBlock));

        const auto toSample = [rate] (double time) { return (juce::int64) std::llround (time * rate); };
        const auto& midi = phrase.getMidi();
        juce::AudioBuffer<float> take (2, (int) toSample (seconds));
        ClapEventList events;
        int nextEvent = 0;
        size_t nextChange = 0, patternIndex = 0;

        for (int position = 0; position < take.getNumSamples();)
        {
            const auto frames = std::min (blockPattern[patternIndex++ % blockPattern.size()], take.getNumSamples() - position);
            events.clear();

            for (; nextEvent < midi.getNumEvents() && toSample (midi.getEventPointer (nextEvent)->message.getTimeStamp()) < position + frames; ++nextEvent)
            {
                const auto& message = midi.getEventPointer (nextEvent)->message;
                const auto* data = message.getRawData();
                events.midi ((uint32_t) (toSample (message.getTimeStamp()) - position), data[0], data[1],
                             message.getRawDataSize() > 2 ? data[2] : 0);
            }

            for (; nextChange < automation.size() && toSample (automation[nextChange].seconds) < position + frames; ++nextChange)
                events.parameter ((uint32_t) frames / 2, clapIdOf (host, automation[nextChange].identifier), automation[nextChange].value);

            EXPECT_EQ (host.process (take.getWritePointer (0, position), take.getWritePointer (1, position), (uint32_t) frames, events),
                       CLAP_PROCESS_CONTINUE);
            position += frames;
        }

        return take;
    }

    /** Counts differing samples, for a readable failure. */
    int countDifferences (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
    {
        if (a.getNumSamples() != b.getNumSamples() || a.getNumChannels() != b.getNumChannels())
            return -1;

        int differences = 0;

        for (int channel = 0; channel < a.getNumChannels(); ++channel)
            for (int i = 0; i < a.getNumSamples(); ++i)
                differences += a.getSample (channel, i) != b.getSample (channel, i) ? 1 : 0;

        return differences;
    }

    /** Gliding legato notes, a chord, a note shorter than any block but one and notes struck at
        odd samples; the mod wheel stays at 0, where the vibrato's random phase does not enter. */
    Phrase testPhrase()
    {
        Phrase phrase;
        phrase.note (0.0, 0.31, 60, 100)
              .note (0.2503, 0.52, 67, 90)
              .note (0.50001, 0.5004, 72, 127)
              .chord (0.6117, { 48, 55, 64 }, 80)
              .noteOff (0.93, 48).noteOff (0.93, 55).noteOff (0.95, 64)
              .note (1.0, 1.1, 79, 60);
        return phrase;
    }
}

TEST (ClapPlugin, DescribesItselfAsWarble)
{
    const auto host = loadClap();
    ASSERT_NE (host, nullptr);

    EXPECT_TRUE (clap_version_is_compatible (host->getEntry()->clap_version));
    ASSERT_EQ (host->getFactory()->get_plugin_count (host->getFactory()), 1u);
    const auto* descriptor = host->getFactory()->get_plugin_descriptor (host->getFactory(), 0);
    ASSERT_NE (descriptor, nullptr);

    EXPECT_STREQ (descriptor->id, "com.kestrelworks.warble");
    EXPECT_STREQ (descriptor->name, "Warble");
    EXPECT_STREQ (descriptor->vendor, "KestrelWorks");
    EXPECT_STREQ (descriptor->version, "1.0.0");
    EXPECT_GT (std::strlen (descriptor->description), 10u);
    EXPECT_EQ (std::strchr (descriptor->description, '\n'), nullptr);

    std::set<std::string> features;

    for (auto* feature = descriptor->features; *feature != nullptr; ++feature)
        features.insert (*feature);

    EXPECT_EQ (features, (std::set<std::string> { CLAP_PLUGIN_FEATURE_INSTRUMENT, CLAP_PLUGIN_FEATURE_SYNTHESIZER,
                                                   CLAP_PLUGIN_FEATURE_STEREO }));

    // A plug-in id that the factory does not make gives nothing.
    EXPECT_EQ (ClapPluginHost (WARBLE_BUILT_CLAP_FILE, "com.kestrelworks.other").getPlugin(), nullptr);
}

TEST (ClapPlugin, TakesNotesInAndGivesStereoOut)
{
    const auto host = loadClap();
    ASSERT_NE (host, nullptr);
    const auto* plugin = host->getPlugin();

    const auto* audioPorts = host->extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE (audioPorts, nullptr);
    EXPECT_EQ (audioPorts->count (plugin, true), 0u);
    ASSERT_EQ (audioPorts->count (plugin, false), 1u);
    clap_audio_port_info audio {};
    ASSERT_TRUE (audioPorts->get (plugin, 0, false, &audio));
    EXPECT_EQ (audio.channel_count, 2u);
    EXPECT_STREQ (audio.port_type, CLAP_PORT_STEREO);
    EXPECT_TRUE (audio.flags & CLAP_AUDIO_PORT_IS_MAIN);

    const auto* notePorts = host->extension<clap_plugin_note_ports> (CLAP_EXT_NOTE_PORTS);
    ASSERT_NE (notePorts, nullptr);
    EXPECT_EQ (notePorts->count (plugin, false), 0u);
    ASSERT_EQ (notePorts->count (plugin, true), 1u);
    clap_note_port_info notes {};
    ASSERT_TRUE (notePorts->get (plugin, 0, true, &notes));
    EXPECT_TRUE (notes.supported_dialects & CLAP_NOTE_DIALECT_MIDI);

    const auto* latency = host->extension<clap_plugin_latency> (CLAP_EXT_LATENCY);
    ASSERT_NE (latency, nullptr);
    ASSERT_TRUE (host->activate (48000.0, 1, 512));
    EXPECT_EQ (latency->get (plugin), 0u);
}

TEST (ClapPlugin, ParametersAreTheVst3sNineWithTheirRangesAndTexts)
{
    struct Expected
    {
        const char* name;
        double min, max, defaultValue;
        const char* defaultText;
        bool stepped;
    };

    const Expected expected[] {
        { "Wave Blend",    0.0,   1.0, 0.15, "0.150", false },
        { "Glide",         0.0, 500.0, 80.0, "80.0",  false },
        { "Vibrato Rate",  2.0,  10.0, 5.0,  "5.00",  false },
        { "Filter Base",   0.1,   1.0, 0.35, "0.350", false },
        { "Filter Mod",    0.0,   1.0, 0.7,  "0.700", false },
        { "Resonance",     0.0,   1.0, 0.35, "0.350", false },
        { "Volume",        0.0,   1.0, 0.7,  "0.700", false },
        { "Reverb",        0.0,   1.0, 0.35, "0.350", false },
        { "Legato",        0.0,   1.0, 0.0,  "Off",   true },
    };

    const auto host = loadClap();
    const auto vst3 = loadVst3();
    ASSERT_NE (host, nullptr);
    ASSERT_NE (vst3, nullptr);

    const auto* params = host->extension<clap_plugin_params> (CLAP_EXT_PARAMS);
    ASSERT_NE (params, nullptr);
    ASSERT_EQ (params->count (host->getPlugin()), 9u);
    const ParameterMap vst3Parameters (*vst3);

    for (uint32_t index = 0; index < 9; ++index)
    {
        const auto& row = expected[index];
        SCOPED_TRACE (row.name);

        clap_param_info info {};
        ASSERT_TRUE (params->get_info (host->getPlugin(), index, &info));
        EXPECT_STREQ (info.name, row.name);
        EXPECT_NEAR (info.min_value, row.min, 1.0e-6);
        EXPECT_NEAR (info.max_value, row.max, 1.0e-6);
        EXPECT_NEAR (info.default_value, row.defaultValue, 1.0e-5);
        EXPECT_NEAR (host->parameterValue (info.id), row.defaultValue, 1.0e-5);
        EXPECT_TRUE (info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        EXPECT_EQ ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, row.stepped);
        EXPECT_EQ (clapText (*host, info.id, info.default_value), row.defaultText);

        // The VST3's parameter at the same place: the same name, and the same text for the same
        // setting, which the CLAP reads back to the value it shows.
        auto* vst3Parameter = vst3Parameters.find (parameterIds()[(int) index]);
        ASSERT_NE (vst3Parameter, nullptr);
        EXPECT_EQ (vst3Parameter->getName (100), row.name);

        for (const auto normalised : { 0.0f, 0.1234f, 0.5f, 0.9f, 1.0f })
        {
            const auto text = vst3Parameter->getText (normalised, 100).toStdString();
            const auto value = clapValueOf (*host, info.id, text);
            EXPECT_GE (value, row.min);
            EXPECT_LE (value, row.max);
            EXPECT_EQ (clapText (*host, info.id, value), text) << "normalised " << normalised;
        }
    }

    // Typed values are limited and snapped as the VST3 does it.
    const auto glide = clapIdOf (*host, "glideTime");
    EXPECT_EQ (clapText (*host, glide, clapValueOf (*host, glide, "600")), "500.0");
    EXPECT_EQ (clapText (*host, glide, clapValueOf (*host, glide, "250.04")), "250.0");
    const auto legato = clapIdOf (*host, "legato");
    EXPECT_EQ (clapText (*host, legato, 1.0), "On");
    EXPECT_EQ (clapValueOf (*host, legato, "On"), 1.0);
}

// The same phrase through both formats, the CLAP in blocks of every size from 1 to 4096 samples
// at the common rates, the VST3 in blocks of 512: the same samples, bit for bit.
struct RenderCase
{
    double rate;
    std::vector<int> clapBlocks;
};

class ClapRender : public testing::TestWithParam<RenderCase> {};

TEST_P (ClapRender, EqualsTheVst3sBitForBit)
{
    const auto& [rate, blocks] = GetParam();
    const auto phrase = testPhrase();
    constexpr double seconds = 1.3;

    const auto host = loadClap();
    ASSERT_NE (host, nullptr);
    const auto clap = renderClap (*host, phrase, seconds, rate, blocks);
    const auto vst3 = renderVst3 (phrase, seconds, rate, 512);

    EXPECT_GT (clap.getMagnitude (0, clap.getNumSamples()), 0.05f);
    EXPECT_EQ (countDifferences (clap, vst3), 0);
}

INSTANTIATE_TEST_SUITE_P (RatesAndBlockSizes, ClapRender, testing::Values (
    RenderCase { 44100.0, { 1 } },
    RenderCase { 44100.0, { 441, 4096, 3 } },
    RenderCase { 48000.0, { 512 } },
    RenderCase { 48000.0, { 4096 } },
    RenderCase { 48000.0, { 1, 2, 3, 5, 8, 13, 21, 34, 55, 89 } },
    RenderCase { 96000.0, { 64 } },
    RenderCase { 96000.0, { 4096, 1, 1000 } }),
    [] (const testing::TestParamInfo<RenderCase>& info)
    {
        auto name = juce::String (juce::roundToInt (info.param.rate)) + "Hz_blocks";

        for (const auto size : info.param.clapBlocks)
            name << "_" << size;

        return name.toStdString();
    });

TEST (ClapPlugin, ParameterEventsActAsTheVst3sAutomation)
{
    // A parameter event takes effect at the start of its block, as VST3 automation does in
    // every host: the CLAP's events come mid-block here, the VST3's at the block's start.
    const std::vector<Automation> automation {
        { 0.2, "filterBase", 0.9 },
        { 0.2, "waveBlend", 0.8 },
        { 0.5, "volume", 0.3 },
        { 0.5, "glideTime", 10.0 },
        { 0.7, "legato", 1.0 },
        { 0.9, "reverb", 0.0 },
    };
    const auto phrase = testPhrase();
    constexpr double seconds = 1.3, rate = 48000.0;
    constexpr int block = 256;

    const auto host = loadClap();
    ASSERT_NE (host, nullptr);
    const auto automated = renderClap (*host, phrase, seconds, rate, { block }, automation);
    const auto vst3 = renderVst3 (phrase, seconds, rate, block, automation);

    EXPECT_EQ (countDifferences (automated, vst3), 0);
    EXPECT_GT (countDifferences (automated, renderVst3 (phrase, seconds, rate, block)), automated.getNumSamples() / 2);

    // The host reads the values the events set.
    const auto texts = clapTexts (*host);
    EXPECT_EQ (texts.at ("filterBase"), "0.900");
    EXPECT_EQ (texts.at ("glideTime"), "10.0");
    EXPECT_EQ (texts.at ("legato"), "On");
}

TEST (ClapPlugin, StateIsTheSameBlockAsTheVst3s)
{
    const auto clap = loadClap();
    const auto vst3 = loadVst3();
    ASSERT_NE (clap, nullptr);
    ASSERT_NE (vst3, nullptr);

    // Set through the host's parameter flush, as a host sets values while not processing.
    ClapEventList events;
    events.parameter (0, clapIdOf (*clap, "glideTime"), 250.0)
          .parameter (0, clapIdOf (*clap, "vibratoRate"), 7.77)
          .parameter (0, clapIdOf (*clap, "reverb"), 0.0)
          .parameter (0, clapIdOf (*clap, "legato"), 1.0);
    ClapEventList ignored;
    clap->extension<clap_plugin_params> (CLAP_EXT_PARAMS)->flush (clap->getPlugin(), events.asInput(), ignored.asOutput());

    const auto saved = clap->saveState();
    ASSERT_GT (saved.size(), 8u);
    EXPECT_EQ (std::string (saved.begin(), saved.begin() + 4), "VC2!");

    setVst3ComponentState (*vst3, saved);
    const auto texts = vst3Texts (*vst3);
    EXPECT_EQ (texts, clapTexts (*clap));
    EXPECT_EQ (texts.at ("glideTime"), "250.0");
    EXPECT_EQ (texts.at ("vibratoRate"), "7.77");
    EXPECT_EQ (texts.at ("legato"), "On");

    // The VST3 saves the same block (then JUCE's own data), which a fresh CLAP loads.
    const auto component = vst3ComponentState (*vst3);
    ASSERT_GE (component.size(), saved.size());
    EXPECT_TRUE (std::equal (saved.begin(), saved.end(), component.begin()));

    const ParameterMap vst3Parameters (*vst3);
    vst3Parameters.find ("volume")->setValueNotifyingHost (0.25f);
    const auto changed = vst3Texts (*vst3);

    const auto restored = loadClap();
    ASSERT_NE (restored, nullptr);
    EXPECT_TRUE (restored->loadState (vst3ComponentState (*vst3)));
    EXPECT_EQ (clapTexts (*restored), changed);
    EXPECT_EQ (clapTexts (*restored).at ("volume"), "0.250");
}

TEST (ClapPlugin, LoadingAStateIsNoEditOfTheSession)
{
    const auto source = loadClap();
    const auto host = loadClap();
    ASSERT_NE (source, nullptr);
    ASSERT_NE (host, nullptr);

    ClapEventList events, ignored;
    events.parameter (0, clapIdOf (*source, "reverb"), 0.65).parameter (0, clapIdOf (*source, "glideTime"), 20.0);
    source->extension<clap_plugin_params> (CLAP_EXT_PARAMS)->flush (source->getPlugin(), events.asInput(), ignored.asOutput());

    ASSERT_TRUE (host->activate (48000.0, 1, 512));
    ASSERT_TRUE (host->loadState (source->saveState()));
    EXPECT_EQ (clapTexts (*host), clapTexts (*source));

    // The host is asked to read the new values again, which it does not record as an edit, from
    // its next main-thread callback: a host that puts back its own record of the values after
    // loading the state (Qtractor) then finds them unchanged. The plug-in sends no value of its
    // own, neither from a flush nor from the next block, and does not call its state changed.
    EXPECT_EQ (host->calls.paramsRescan, 0);
    EXPECT_GE (host->calls.requestCallback, 1);
    host->runMainThreadCallback();
    EXPECT_EQ (host->calls.paramsRescan, 1);
    EXPECT_TRUE (host->calls.paramsRescanFlags & CLAP_PARAM_RESCAN_VALUES);
    EXPECT_EQ (host->calls.paramsRequestFlush, 0);
    EXPECT_EQ (host->calls.stateMarkDirty, 0);

    ClapEventList none, sent;
    host->extension<clap_plugin_params> (CLAP_EXT_PARAMS)->flush (host->getPlugin(), none.asInput(), sent.asOutput());
    std::vector<float> left (512), right (512);
    host->process (left.data(), right.data(), 512, none, &sent);
    EXPECT_EQ (sent.size(), 0u);

    // Loading the same state again changes nothing, so the host is not even asked to rescan.
    ASSERT_TRUE (host->loadState (source->saveState()));
    host->runMainThreadCallback();
    EXPECT_EQ (host->calls.paramsRescan, 1);
}

TEST (ClapPlugin, ADefectiveStateChangesNothing)
{
    const auto host = loadClap();
    const auto other = loadClap();
    ASSERT_NE (host, nullptr);
    ASSERT_NE (other, nullptr);

    ClapEventList events, ignored;
    events.parameter (0, clapIdOf (*host, "resonance"), 0.9).parameter (0, clapIdOf (*host, "legato"), 1.0);
    host->extension<clap_plugin_params> (CLAP_EXT_PARAMS)->flush (host->getPlugin(), events.asInput(), ignored.asOutput());
    const auto before = clapTexts (*host);
    ASSERT_NE (before, clapTexts (*other));

    // Damaged copies of another instance's state, which would change the values if it loaded.
    const auto good = other->saveState();
    ASSERT_GT (good.size(), 40u);

    const auto block = [] (const char* magic, const std::string& xml)
    {
        std::vector<uint8_t> bytes (magic, magic + 4);

        for (int i = 0; i < 4; ++i)
            bytes.push_back ((uint8_t) (xml.size() >> (8 * i)));

        bytes.insert (bytes.end(), xml.begin(), xml.end());
        bytes.push_back (0);
        return bytes;
    };
    const auto withByte = [] (std::vector<uint8_t> bytes, size_t index, uint8_t value)
    {
        bytes[index] = value;
        return bytes;
    };
    const std::string legatoOff = "<PARAM id=\"legato\" value=\"0.0\"/>";

    const std::pair<const char*, std::vector<uint8_t>> defective[] {
        { "empty", {} },
        { "the first third", { good.begin(), good.begin() + (long) good.size() / 3 } },
        { "all but the last 20 bytes", { good.begin(), good.end() - 20 } },
        { "the header alone", { good.begin(), good.begin() + 8 } },
        { "another magic number", withByte (good, 2, '1') },
        { "a zero length", withByte (withByte (good, 4, 0), 5, 0) },
        { "XML without the header", { good.begin() + 8, good.end() } },
        { "another element", block ("VC2!", "<Other>" + legatoOff + "</Other>") },
        { "text that is not XML", block ("VC2!", "Parameters legato=0") },
        { "noise", std::vector<uint8_t> (300, 0xa5) },
    };

    for (const auto& [what, bytes] : defective)
    {
        SCOPED_TRACE (what);
        host->loadState (bytes);
        EXPECT_EQ (clapTexts (*host), before);
    }

    EXPECT_FALSE (host->loadState ({}));
    EXPECT_EQ (host->calls.paramsRescan, 0);
    EXPECT_EQ (host->calls.stateMarkDirty, 0);

    // The same block undamaged loads.
    EXPECT_TRUE (host->loadState (good));
    EXPECT_EQ (clapTexts (*host), clapTexts (*other));
}

TEST (ClapPlugin, SurvivesEveryLifecycleAHostMayRun)
{
    std::vector<float> left (4096), right (4096);
    ClapEventList note, none;
    note.midi (0, 0x90, 64, 100);

    const auto peakOfBlock = [&] (ClapPluginHost& host, uint32_t frames, const ClapEventList& events)
    {
        EXPECT_EQ (host.process (left.data(), right.data(), frames, events), CLAP_PROCESS_CONTINUE);
        return juce::FloatVectorOperations::findMaximum (left.data(), (int) frames);
    };

    {
        // Deactivated and activated again at other rates and sizes, and reset while playing.
        const auto host = loadClap();
        ASSERT_NE (host, nullptr);

        for (const auto& [rate, maxFrames] : { std::pair { 44100.0, 4096u }, { 96000.0, 1u }, { 48000.0, 64u }, { 48000.0, 4096u } })
        {
            SCOPED_TRACE (rate);
            ASSERT_TRUE (host->activate (rate, 1, maxFrames));
            auto peak = peakOfBlock (*host, maxFrames, note);

            for (int i = 0; i < 4096 / (int) maxFrames + 1; ++i)
                peak = std::max (peak, peakOfBlock (*host, maxFrames, none));

            EXPECT_GT (peak, 0.01f);
            host->getPlugin()->reset (host->getPlugin());
            peakOfBlock (*host, maxFrames, none);
            host->deactivate();
        }
    }

    {
        // Destroyed while active and processing, as a host that is shutting down may do.
        auto host = loadClap();
        ASSERT_NE (host, nullptr);
        ASSERT_TRUE (host->activate (48000.0, 1, 512));
        peakOfBlock (*host, 512, note);
        host->destroyPluginAsItIs();
    }

    {
        // Destroyed without ever being activated.
        const auto host = loadClap();
        ASSERT_NE (host, nullptr);
    }

   #if defined (__SANITIZE_ADDRESS__)
    // Every instance is gone and the library unloaded: nothing they allocated may be left.
    EXPECT_EQ (__lsan_do_recoverable_leak_check(), 0);
   #endif
}
