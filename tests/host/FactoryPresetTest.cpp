#include "host/PluginBundleLoader.h"
#include "presets/FactoryPresetBank.h"
#include "support/HostedPlayer.h"
#include "support/ProgramRun.h"

#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

// The factory presets as each format's host meets them: the .vstpreset files made at build time
// loaded through JUCE's VST3 hosting (the VST3 SDK's preset reader), and the presets inside the
// built Warble.lv2 through its LV2 hosting and Debian's lv2info. Then the bank's sound: the same
// phrase rendered through every preset, compared by brightness and loudness, and by peak level
// against the defaults.
namespace
{
    using Preset = FactoryPresetBank::Preset;

    const std::vector<Preset>& bank()
    {
        return FactoryPresetBank::getInstance().getPresets();
    }

    std::vector<juce::String> presetNames()
    {
        std::vector<juce::String> names;

        for (const auto& preset : bank())
            names.push_back (preset.name);

        return names;
    }

    const Preset& presetNamed (const juce::String& name)
    {
        return *FactoryPresetBank::getInstance().find (name);
    }

    /** Every parameter of the preset holds the preset's value, as the plug-in converts it. */
    void expectHoldsPreset (juce::AudioPluginInstance& instance, const Preset& preset)
    {
        const ParameterMap parameters (instance);

        for (const auto& value : preset.values)
        {
            float expected = 0.0f;
            ASSERT_TRUE (parameters.toNormalised (value.parameterId, value.value, expected).wasOk()) << value.parameterId;
            auto* parameter = parameters.find (value.parameterId);
            ASSERT_NE (parameter, nullptr) << value.parameterId;
            EXPECT_NEAR (parameter->getValue(), expected, 1.0e-6f)
                << value.parameterId << " should be " << value.value << ", is "
                << parameter->getText (parameter->getValue(), 100);
        }
    }

    class VST3PresetLoader : public juce::ExtensionsVisitor
    {
    public:
        explicit VST3PresetLoader (const juce::MemoryBlock& presetFile) : data (presetFile) {}

        void visitVST3Client (const VST3Client& client) override
        {
            loaded = client.setPreset (data);
        }

        const juce::MemoryBlock& data;
        bool loaded = false;
    };

    class FactoryPreset : public testing::TestWithParam<juce::String>
    {
    };
}

TEST (FactoryPresetBank, HoldsEightToTwelveNamedPresetsOfAllNineParameters)
{
    const auto& presets = FactoryPresetBank::getInstance();
    ASSERT_TRUE (presets.getError().isEmpty()) << presets.getError();
    EXPECT_GE (bank().size(), 8u);
    EXPECT_LE (bank().size(), 12u);

    std::set<juce::String> slugs;

    for (const auto& preset : bank())
    {
        EXPECT_TRUE (preset.purpose.isNotEmpty()) << preset.name;
        EXPECT_EQ (preset.values.size(), 9u) << preset.name;
        EXPECT_TRUE (slugs.insert (FactoryPresetBank::toSlug (preset.name)).second) << "two presets share the file name of " << preset.name;
    }
}

TEST_P (FactoryPreset, LoadsThroughVST3HostingWithExactlyItsValues)
{
    const auto& preset = presetNamed (GetParam());
    const auto file = juce::File (WARBLE_VST3_PRESET_FOLDER).getChildFile (preset.name + ".vstpreset");
    juce::MemoryBlock data;
    ASSERT_TRUE (file.loadFileAsData (data)) << file.getFullPathName();

    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);

    VST3PresetLoader presetLoader (data);
    instance->getExtensions (presetLoader);
    ASSERT_TRUE (presetLoader.loaded);

    // The controller tells the host of the new values through a restart request, which the
    // host answers on its message thread.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
    expectHoldsPreset (*instance, preset);
}

TEST_P (FactoryPreset, LoadsThroughLV2HostingWithExactlyItsValues)
{
    const auto& preset = presetNamed (GetParam());
    const auto file = juce::File (WARBLE_BUILT_LV2_BUNDLE).getChildFile ("preset-" + FactoryPresetBank::toSlug (preset.name) + ".ttl");
    ASSERT_TRUE (file.existsAsFile()) << file.getFullPathName();

    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_LV2_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);

    // JUCE's LV2 hosting restores a state from its Turtle text with lilv, through the plug-in's
    // state interface, as a host restores a preset it has read.
    const auto text = file.loadFileAsString();
    instance->setStateInformation (text.toRawUTF8(), (int) text.getNumBytesAsUTF8());

    // The host learns the restored values from the plug-in's messages in the next block.
    warble::test::renderPeak (*instance, 1, 512, {});
    instance->releaseResources();
    expectHoldsPreset (*instance, preset);
}

INSTANTIATE_TEST_SUITE_P (EveryPreset, FactoryPreset, testing::ValuesIn (presetNames()),
                          [] (const testing::TestParamInfo<juce::String>& info)
                          {
                              return FactoryPresetBank::toSlug (info.param).replaceCharacter ('-', '_').toStdString();
                          });

TEST (FactoryPresetBank, Lv2infoListsEveryPresetByNameAndNoUnnamedOne)
{
    // LV2_PATH holds only this build's bundle, so an installed Warble cannot answer instead.
    const auto bundle = juce::File (WARBLE_BUILT_LV2_BUNDLE);
    ASSERT_EQ (setenv ("LV2_PATH", bundle.getParentDirectory().getFullPathName().toRawUTF8(), 1), 0);

    const auto run = warble::test::runProgram ({ "lv2info", WARBLE_LV2_URI });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_FALSE (run.output.containsIgnoreCase ("error")) << run.output;

    // "Presets:" then one indented label a line.
    const auto listed = juce::StringArray::fromLines (run.output.fromFirstOccurrenceOf ("Presets:", false, false)
                                                                 .upToFirstOccurrenceOf ("\n\n", false, false).trim());
    juce::StringArray expected;

    for (const auto& preset : bank())
        expected.add (preset.name);

    juce::StringArray labels;

    for (const auto& line : listed)
        labels.add (line.trim());

    labels.sort (false);
    expected.sort (false);
    EXPECT_EQ (labels, expected) << run.output;
}

namespace
{
    /** A phrase that every preset must answer in its own way: a line that glides up and down
        while the mod wheel opens and closes, then a three-note chord. */
    juce::MidiMessageSequence phrase()
    {
        juce::MidiMessageSequence midi;
        const int line[] = { 57, 60, 64, 67, 64, 62 };

        for (int i = 0; i < 6; ++i)
        {
            midi.addEvent (juce::MidiMessage::noteOn (1, line[i], (juce::uint8) 100), 0.4 * i);
            midi.addEvent (juce::MidiMessage::noteOff (1, line[i]), 0.4 * i + 0.45);
        }

        for (int step = 0; step <= 20; ++step)
            midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, step <= 10 ? step * 12 : (20 - step) * 12), 0.12 * step);

        for (const auto note : { 55, 59, 62 })
        {
            midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 110), 2.6);
            midi.addEvent (juce::MidiMessage::noteOff (1, note), 3.6);
        }

        midi.sort();
        return midi;
    }

    struct Sound
    {
        double centroidHz = 0.0;
        double rms = 0.0;
        float peak = 0.0f;
    };

    /** The phrase through the built VST3, from a preset or (with none) the defaults: its RMS, its
        peak, and its spectral centroid, the power-weighted mean frequency of the whole render. */
    Sound renderPhrase (const Preset* preset)
    {
        constexpr int fftOrder = 12;
        constexpr int fftSize = 1 << fftOrder;

        warble::test::HostedPlayer player;

        if (preset != nullptr)
            player.startFrom (*preset);

        const auto take = player.play (phrase(), 3.6 + 1.5);
        std::vector<float> mono;
        double sumOfSquares = 0.0;
        Sound sound;

        for (int i = 0; i < take.getNumSamples(); ++i)
        {
            for (int channel = 0; channel < 2; ++channel)
            {
                const auto sample = take.getSample (channel, i);
                sumOfSquares += (double) sample * sample;
                sound.peak = std::max (sound.peak, std::abs (sample));
            }

            mono.push_back (0.5f * (take.getSample (0, i) + take.getSample (1, i)));
        }

        sound.rms = std::sqrt (sumOfSquares / (2.0 * (double) mono.size()));

        juce::dsp::FFT fft (fftOrder);
        juce::dsp::WindowingFunction<float> window (fftSize, juce::dsp::WindowingFunction<float>::hann, false);
        std::vector<float> frame (2 * fftSize);
        double weightedFrequency = 0.0, totalPower = 0.0;

        for (size_t start = 0; start + fftSize <= mono.size(); start += fftSize / 2)
        {
            std::fill (frame.begin(), frame.end(), 0.0f);
            std::copy_n (mono.begin() + (std::ptrdiff_t) start, fftSize, frame.begin());
            window.multiplyWithWindowingTable (frame.data(), fftSize);
            fft.performFrequencyOnlyForwardTransform (frame.data());

            for (int bin = 1; bin <= fftSize / 2; ++bin)
            {
                const auto power = (double) frame[(size_t) bin] * frame[(size_t) bin];
                weightedFrequency += power * bin * warble::test::HostedPlayer::sampleRate / fftSize;
                totalPower += power;
            }
        }

        sound.centroidHz = totalPower > 0.0 ? weightedFrequency / totalPower : 0.0;
        return sound;
    }
}

TEST (FactoryPresetBank, NoTwoPresetsSoundAlikeAndNoneClipsHarderThanTheDefaults)
{
    const auto defaults = renderPhrase (nullptr);
    ASSERT_GT (defaults.rms, 0.01);

    std::map<juce::String, Sound> sounds;

    for (const auto& preset : bank())
    {
        const auto sound = renderPhrase (&preset);
        sounds[preset.name] = sound;

        // The soft clipper bounds the dry sound; a preset that drove it harder than the defaults
        // would come out hotter. The vibrato's random phase moves a peak by a little.
        EXPECT_LE (sound.peak, defaults.peak * 1.02f) << preset.name << " peaks above the defaults' " << defaults.peak;
        EXPECT_GT (sound.rms, 0.01) << preset.name << " is all but silent";
    }

    // Two renders count as alike when their brightness and their loudness are both within 10 %.
    const auto apart = [] (double a, double b) { return std::abs (std::log (a / b)) > std::log (1.1); };

    for (auto first = sounds.begin(); first != sounds.end(); ++first)
        for (auto second = std::next (first); second != sounds.end(); ++second)
            EXPECT_TRUE (apart (first->second.centroidHz, second->second.centroidHz) || apart (first->second.rms, second->second.rms))
                << first->first << " and " << second->first << " render the phrase alike: centroids "
                << first->second.centroidHz << " and " << second->second.centroidHz << " Hz, RMS "
                << first->second.rms << " and " << second->second.rms;
}
