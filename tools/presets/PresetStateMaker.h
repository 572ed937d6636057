#pragma once

#include "presets/FactoryPresetBank.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** Makes a preset's state block with the instrument's own processor: a fresh instance, every
    parameter set to the preset's real value, then the state that the processor saves. That block
    is what the plug-in formats store and restore, so preset files made from it load as a saved
    session does. */
class PresetStateMaker
{
public:
    /** Fails, naming the preset and the parameter, when a preset leaves out a parameter, names
        one the instrument lacks, or gives a value outside its range. */
    static juce::Result makeState (const FactoryPresetBank::Preset& preset, juce::MemoryBlock& state);
};
