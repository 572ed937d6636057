#include "HostedInstrument.h"

std::unique_ptr<HostedInstrument> HostedInstrument::load (const juce::File& bundle, double sampleRate, int blockSize,
                                                          juce::String& error)
{
    const auto path = bundle.getFullPathName();

    if (! bundle.exists())
    {
        error = "plug-in not found: " + path;
        return nullptr;
    }

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> descriptions;
    format.findAllTypesForFile (descriptions, path);

    if (descriptions.isEmpty())
    {
        error = "cannot load plug-in " + path + ": not a VST3 plug-in, or it failed to load";
        return nullptr;
    }

    juce::String formatError;
    auto instance = format.createInstanceFromDescription (*descriptions.getFirst(), sampleRate, blockSize, formatError);

    if (instance == nullptr)
    {
        error = "cannot create an instance of " + descriptions.getFirst()->name + " from " + path
                + (formatError.isNotEmpty() ? ": " + formatError : juce::String());
        return nullptr;
    }

    return std::unique_ptr<HostedInstrument> (new HostedInstrument (std::move (instance)));
}

HostedInstrument::HostedInstrument (std::unique_ptr<juce::AudioPluginInstance> loadedPlugin)
    : plugin (std::move (loadedPlugin)),
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
