#pragma once

#include "presets/FactoryPresetBank.h"

/** Adds presets to a built LV2 bundle as LV2 hosts read them: one Turtle file per preset holding
    the state that the plug-in's LV2 state interface restores (the base64 text under its
    StateString key), each listed in the bundle's manifest with its name. The manifest's own
    preset entries, which select the plug-in's one unnamed program and do nothing, are replaced. */
class LV2PresetWriter
{
public:
    LV2PresetWriter (const juce::File& bundle, const juce::String& pluginUri);

    juce::Result write (const FactoryPresetBank::Preset& preset, const juce::MemoryBlock& state);

    /** Rewrites manifest.ttl with the presets written so far. */
    juce::Result finish();

    static juce::String getPresetUri (const juce::String& pluginUri, const juce::String& presetName);

private:
    juce::File bundle;
    juce::String pluginUri;
    juce::String manifestEntries;
};
