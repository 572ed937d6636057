#pragma once

#include "presets/FactoryPresetBank.h"

/** Writes presets as VST3 preset files (.vstpreset), which VST3 hosts list from the standard preset
    folder of the vendor and product. The file holds the plug-in's component state, which JUCE's
    VST3 wrapper restores with the processor's own state function, under the class ID of the
    plug-in's audio processor, read from the built bundle's moduleinfo.json. */
class VST3PresetWriter
{
public:
    /** Fails when the bundle's moduleinfo.json names no audio processor class. */
    juce::Result readClassId (const juce::File& moduleInfo);

    juce::Result write (const FactoryPresetBank::Preset& preset, const juce::MemoryBlock& componentState,
                        const juce::File& folder) const;

private:
    juce::String classId;
};
