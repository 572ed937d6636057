#include "HostedInstrument.h"
#include "StandardErrorFilter.h"

#include <optional>

namespace
{
    std::unique_ptr<juce::AudioPluginFormat> createFormatFor (const juce::File& bundle)
    {
        if (bundle.hasFileExtension ("vst3"))
            return std::make_unique<juce::VST3PluginFormat>();

        if (bundle.hasFileExtension ("lv2"))
            return std::make_unique<juce::LV2PluginFormat>();

        return nullptr;
    }

    /** What JUCE's LV2 hosting makes lilv and sord report when it is asked for the plug-ins in a
        bundle, all of it harmless: it looks the path up as a plug-in URI before it looks it up as a
        file, and the path is no URI; and it has already loaded every bundle in ~/.lv2,
        /usr/lib/lv2 and /usr/local/lib/lv2 when it starts, so a bundle from there is loaded
        again, from the same place. */
    bool isHarmlessLV2Message (const juce::String& line, const juce::String& bundlePath)
    {
        return line == "error: attempt to map invalid URI `" + bundlePath + "'"
               || line.startsWith ("lilv_world_add_plugin(): warning: Reloading plugin <");
    }
}

std::unique_ptr<HostedInstrument> HostedInstrument::load (const juce::File& bundle, double sampleRate, int blockSize,
                                                          juce::String& error)
{
    const auto path = bundle.getFullPathName();

    if (! bundle.exists())
    {
        error = "plug-in not found: " + path;
        return nullptr;
    }

    auto format = createFormatFor (bundle);

    if (format == nullptr)
    {
        error = "cannot load plug-in " + path + ": not a .vst3 or .lv2 bundle";
        return nullptr;
    }

    juce::OwnedArray<juce::PluginDescription> descriptions;

    {
        std::optional<StandardErrorFilter> lv2MessageFilter;

        if (bundle.hasFileExtension ("lv2"))
            lv2MessageFilter.emplace ([path] (const juce::String& line) { return isHarmlessLV2Message (line, path); });

        format->findAllTypesForFile (descriptions, path);
    }

    if (descriptions.isEmpty())
    {
        error = "cannot load plug-in " + path + ": no " + format->getName() + " plug-in found in it, or it failed to load";

        // JUCE's LV2 hosting reads the installed LV2 plug-ins first, and of two bundles with the
        // same URI only the first counts.
        if (bundle.hasFileExtension ("lv2"))
            error << "; an installed plug-in with the same URI (in ~/.lv2, /usr/lib/lv2 or /usr/local/lib/lv2) would hide it";

        return nullptr;
    }

    juce::String formatError;
    auto instance = format->createInstanceFromDescription (*descriptions.getFirst(), sampleRate, blockSize, formatError);

    if (instance == nullptr)
    {
        error = "cannot create an instance of " + descriptions.getFirst()->name + " from " + path
                + (formatError.isNotEmpty() ? ": " + formatError : juce::String());
        return nullptr;
    }

    return std::unique_ptr<HostedInstrument> (new HostedInstrument (std::move (format), std::move (instance)));
}

HostedInstrument::HostedInstrument (std::unique_ptr<juce::AudioPluginFormat> pluginFormat,
                                    std::unique_ptr<juce::AudioPluginInstance> loadedPlugin)
    : format (std::move (pluginFormat)),
      plugin (std::move (loadedPlugin)),
      parameters (*plugin)
{
}

HostedInstrument::~HostedInstrument()
{
    if (prepared)
        plugin->releaseResources();
}

juce::Result HostedInstrument::prepare (double sampleRate, int blockSize, int numChannels)
{
    if (plugin->getBusCount (false) == 0)
        return juce::Result::fail (plugin->getName() + " has no audio output");

    auto layout = plugin->getBusesLayout();
    layout.getChannelSet (false, 0) = juce::AudioChannelSet::canonicalChannelSet (numChannels);

    if (! plugin->setBusesLayout (layout))
        return juce::Result::fail (plugin->getName() + " refuses " + juce::String (numChannels) + "-channel output");

    plugin->setNonRealtime (true);
    plugin->prepareToPlay (sampleRate, blockSize);
    prepared = true;

    if (plugin->getTotalNumOutputChannels() != numChannels)
        return juce::Result::fail (plugin->getName() + " did not take " + juce::String (numChannels) + "-channel output");

    return juce::Result::ok();
}

juce::AudioPluginInstance& HostedInstrument::getPlugin() noexcept
{
    return *plugin;
}

const ParameterMap& HostedInstrument::getParameters() const noexcept
{
    return parameters;
}
