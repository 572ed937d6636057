#include "LV2PresetWriter.h"
#include "PresetStateMaker.h"
#include "VST3PresetWriter.h"

#include <cstdio>

// Makes every format's factory preset files from the preset bank at build time:
//   warble-preset-export LV2_BUNDLE LV2_URI VST3_MODULE_INFO VST3_PRESET_FOLDER
// Any defect of the bank (a missing or unknown parameter, a value out of range) fails the build.
namespace
{
    int fail (const juce::String& message)
    {
        std::fprintf (stderr, "warble-preset-export: %s\n", message.toRawUTF8());
        return 1;
    }
}

int main (int argc, char* argv[])
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    if (argc != 5)
        return fail ("usage: warble-preset-export LV2_BUNDLE LV2_URI VST3_MODULE_INFO VST3_PRESET_FOLDER");

    const auto& bank = FactoryPresetBank::getInstance();

    if (bank.getError().isNotEmpty())
        return fail (bank.getError());

    LV2PresetWriter lv2 (juce::File (argv[1]), argv[2]);
    VST3PresetWriter vst3;

    if (const auto read = vst3.readClassId (juce::File (argv[3])); read.failed())
        return fail (read.getErrorMessage());

    const juce::File vst3Folder (argv[4]);
    vst3Folder.deleteRecursively();

    for (const auto& preset : bank.getPresets())
    {
        juce::MemoryBlock state;
        auto result = PresetStateMaker::makeState (preset, state);

        if (result.wasOk())
            result = lv2.write (preset, state);

        if (result.wasOk())
            result = vst3.write (preset, state, vst3Folder);

        if (result.failed())
            return fail (result.getErrorMessage());
    }

    if (const auto finished = lv2.finish(); finished.failed())
        return fail (finished.getErrorMessage());

    return 0;
}
