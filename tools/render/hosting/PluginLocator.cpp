#include "PluginLocator.h"

juce::Array<juce::File> PluginLocator::getSearchPath (const juce::File& program, const juce::File& buildFolder,
                                                      const juce::File& builtBundle, const juce::File& homeFolder)
{
    const auto bundleName = builtBundle.getFileName();
    juce::Array<juce::File> searchPath;

    if (program.isAChildOf (buildFolder))
        searchPath.add (builtBundle);

    searchPath.add (homeFolder.getChildFile (".vst3").getChildFile (bundleName));
    searchPath.add (juce::File ("/usr/lib/vst3").getChildFile (bundleName));
    searchPath.add (juce::File ("/usr/local/lib/vst3").getChildFile (bundleName));
    searchPath.addIfNotAlreadyThere (program.getParentDirectory().getSiblingFile ("lib/vst3").getChildFile (bundleName));
    return searchPath;
}

juce::Result PluginLocator::locate (const juce::Array<juce::File>& searchPath, juce::File& bundle)
{
    juce::StringArray places;

    for (const auto& candidate : searchPath)
    {
        if (candidate.isDirectory())
        {
            bundle = candidate;
            return juce::Result::ok();
        }

        places.add (candidate.getFullPathName());
    }

    return juce::Result::fail ("no Warble.vst3 found; looked for " + places.joinIntoString (", ")
                               + "; name one with --plugin PATH");
}
