#pragma once

#include "hosting/ParameterMap.h"
#include "presets/FactoryPresetBank.h"

/** Sets a factory preset on a hosted instrument through the host's parameter interface, exactly as
    --set sets one value: each of the preset's real values converted by the plug-in's own
    text-to-value conversion. */
class PresetApplier
{
public:
    static juce::Result apply (const FactoryPresetBank::Preset& preset, const ParameterMap& parameters);

    /** One line a preset for --list-presets: its name, then what it is for. */
    static juce::String describe (const FactoryPresetBank& bank);
};
