#pragma once

#include <juce_core/juce_core.h>

/** Finds the Warble.vst3 that warble-render hosts when no --plugin names one. In order: the bundle
    of the build the program belongs to, when it runs from that build's folder; then the folders
    where VST3 hosts look, ~/.vst3, /usr/lib/vst3 and /usr/local/lib/vst3; last, the lib/vst3
    folder of the prefix the program is installed in, so that an install under any prefix finds
    its own bundle. */
class PluginLocator
{
public:
    static juce::Array<juce::File> getSearchPath (const juce::File& program, const juce::File& buildFolder,
                                                  const juce::File& builtBundle, const juce::File& homeFolder);

    /** The first bundle on the search path that exists; fails listing every place it looked. */
    static juce::Result locate (const juce::Array<juce::File>& searchPath, juce::File& bundle);
};
