#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <map>

/** Finds the instrument's parameters, by their identifiers (waveBlend, glideTime, ...), among the
    parameters of a hosted VST3 or LV2 plug-in, and turns real values into the normalised values
    that a host sends.

    A VST3 host sees no identifier strings, only numeric parameter IDs. JUCE's VST3 wrapper makes
    them from the identifier: the 32-bit String::hashCode, with the top bit cleared by default
    (its Studio One compatible IDs). Both variants are tried, so the lookup does not depend on
    the order or the display names of the parameters. An LV2 host sees a URI that ends in
    ":" and the identifier. */
class ParameterMap
{
public:
    explicit ParameterMap (juce::AudioPluginInstance& plugin);

    /** The instrument's nine parameter identifiers, in the instrument's own order. */
    static const juce::StringArray& getInstrumentParameterIds();

    /** The hosted parameter for an identifier, or null if the plug-in has none. */
    juce::AudioPluginInstance::HostedParameter* find (const juce::String& identifier) const;

    /** The range of real values a parameter takes. A switch takes only 0 (off) and 1 (on). */
    struct Range
    {
        double start = 0.0;
        double end = 1.0;
        bool isSwitch = false;
    };

    /** Reads the range from the parameter's own text at the normalised ends, 0 and 1. */
    static juce::Result getRange (const juce::AudioPluginInstance::HostedParameter& parameter, Range& range);

    /** Converts a real value to the normalised one through the parameter's own text-to-value
        conversion, so that the plug-in limits and snaps it as it would a typed-in value.
        Fails, naming the identifier and the range, for a value outside the range, or an
        unknown identifier. */
    juce::Result toNormalised (const juce::String& identifier, double realValue, float& normalised) const;

    static juce::uint32 toVst3ParameterId (const juce::String& identifier, bool studioOneCompatible);

private:
    std::map<juce::String, juce::AudioPluginInstance::HostedParameter*> byHostId;
};
