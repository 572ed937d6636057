#pragma once

#include "ParameterMap.h"

#include <memory>

/** An instrument loaded from its bundle, a .vst3 through JUCE's VST3 hosting or a .lv2 through its
    LV2 hosting, as a DAW loads it, and set up for offline rendering. Message thread only. */
class HostedInstrument
{
public:
    /** Loads the first plug-in in the bundle, or returns null and explains why in error. */
    static std::unique_ptr<HostedInstrument> load (const juce::File& bundle, double sampleRate, int blockSize,
                                                   juce::String& error);

    ~HostedInstrument();

    /** Sets the main output bus to one or two channels, switches the plug-in to offline
        processing and prepares it. */
    juce::Result prepare (double sampleRate, int blockSize, int numChannels);

    juce::AudioPluginInstance& getPlugin() noexcept;
    const ParameterMap& getParameters() const noexcept;

private:
    HostedInstrument (std::unique_ptr<juce::AudioPluginFormat> pluginFormat,
                      std::unique_ptr<juce::AudioPluginInstance> loadedPlugin);

    // The format outlives the instance: JUCE's LV2 hosting keeps data the instance uses there.
    std::unique_ptr<juce::AudioPluginFormat> format;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    ParameterMap parameters;
    bool prepared = false;

    JUCE_DECLARE_NON_COPYABLE (HostedInstrument)
};
