#include "host/PluginBundleLoader.h"
#include "presets/FactoryPresetBank.h"
#include "support/BankSound.h"
#include "support/HostedPlayer.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

// The factory presets as each format's host meets them: the .vstpreset files made at build time
// loaded through JUCE's VST3 hosting (the VST3 SDK's preset reader), and the presets inside the
// built Warble.lv2 through its LV2 hosting and Debian's lv2info; and the glides that presets
// promise, heard through the built VST3. The bank's levels, likeness and spectra are measured on
// renders through the processor in-process (engine/PresetBankSoundTest.cpp), where the vibrato's
// start phase can be seeded.
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

    /** Moves every parameter to the end of its range farthest from the preset's value and plays
        a block so that the plug-in has it, so that a value a loading leaves alone cannot pass for
        the preset's (a fresh instance already holds many of them as its defaults). */
    void moveAwayFrom (juce::AudioPluginInstance& instance, const Preset& preset)
    {
        const ParameterMap parameters (instance);
        std::map<juce::String, float> targets;

        for (const auto& value : preset.values)
        {
            auto& target = targets[value.parameterId];
            ASSERT_TRUE (parameters.toNormalised (value.parameterId, value.value, target).wasOk()) << value.parameterId;
            parameters.find (value.parameterId)->setValueNotifyingHost (target < 0.5f ? 1.0f : 0.0f);
        }

        warble::test::renderPeak (instance, 1, 512, {});
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

        for (const auto& [id, target] : targets)
            ASSERT_GE (std::abs (parameters.find (id)->getValue() - target), 0.25f) << id << " did not move";
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
    instance->prepareToPlay (48000.0, 512);
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

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
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

    // JUCE's LV2 hosting restores a state from its Turtle text with lilv, through the plug-in's
    // state interface, as a host restores a preset it has read.
    const auto text = file.loadFileAsString();
    instance->setStateInformation (text.toRawUTF8(), (int) text.getNumBytesAsUTF8());

    // The host learns the restored values from the plug-in's messages in the next block.
    warble::test::renderPeak (*instance, 1, 512, {});
    instance->releaseResources();
    expectHoldsPreset (*instance, preset);
}

TEST_P (FactoryPreset, AppliedAsTheRendererAppliesItSetsExactlyItsValues)
{
    // warble-render's --preset and the bank's renders below set the values through the host's
    // parameters, one by one.
    const auto& preset = presetNamed (GetParam());
    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

    const auto applied = PresetApplier::apply (preset, ParameterMap (*instance));
    ASSERT_TRUE (applied.wasOk()) << applied.getErrorMessage();
    warble::test::renderPeak (*instance, 1, 512, {});
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
    warble::test::ChildProgram::Settings onlyThisBuild;
    onlyThisBuild.environment["LV2_PATH"] = juce::File (WARBLE_BUILT_LV2_BUNDLE).getParentDirectory().getFullPathName();

    const auto run = warble::test::runProgram ({ "lv2info", WARBLE_LV2_URI }, onlyThisBuild);
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

TEST (FactoryPresetBank, PresetsThatPromiseGlidesGlideBetweenTheMelodysNotes)
{
    using warble::test::BankPhrase;
    static_assert (juce::exactlyEqual (warble::test::HostedPlayer::sampleRate, BankPhrase::sampleRate));

    struct Case
    {
        const char* preset;
        bool glides;
    };

    // Dry Keys promises no glide: its jump shows that the measure tells the two apart.
    for (const auto& [name, glides] : { Case { "Siren", true }, Case { "Glass Pad", true },
                                        Case { "Dark Drone", true }, Case { "Dry Keys", false } })
    {
        // Without the reverb, which moves no pitch, the pitch tracker hears the voice alone. The
        // vibrato's random start phase cannot move a frame across the semitone either side: at
        // most 35 cents deep, it shifts where a glide crosses that line by a frame or so.
        warble::test::HostedPlayer player;
        player.startFrom (presetNamed (name)).set ("reverb", 0.0);
        const auto between = warble::test::secondsBetweenTheLeapsNotes (player.playLeft (BankPhrase::midi(), BankPhrase::leapEnd + 0.1));
        RecordProperty (juce::String (name).toStdString() + " seconds between the notes", juce::String (between, 3).toStdString());

        if (glides)
            EXPECT_GT (between, 0.1) << name << " jumps from note to note";
        else
            EXPECT_LT (between, 0.02) << name << " glides";
    }
}
