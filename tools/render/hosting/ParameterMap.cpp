#include "ParameterMap.h"

#include "../../NumberText.h"

ParameterMap::ParameterMap (juce::AudioPluginInstance& plugin)
{
    for (int index = 0; index < plugin.getParameters().size(); ++index)
        if (auto* parameter = plugin.getHostedParameter (index))
            byHostId.emplace (parameter->getParameterID(), parameter);
}

const juce::StringArray& ParameterMap::getInstrumentParameterIds()
{
    static const juce::StringArray ids { "waveBlend", "glideTime", "vibratoRate", "filterBase", "filterMod",
                                         "resonance", "volume", "reverb", "legato" };
    return ids;
}

juce::uint32 ParameterMap::toVst3ParameterId (const juce::String& identifier, bool studioOneCompatible)
{
    return juce::VST3ClientExtensions::convertJuceParameterId (identifier, studioOneCompatible);
}

juce::AudioPluginInstance::HostedParameter* ParameterMap::find (const juce::String& identifier) const
{
    for (const auto studioOneCompatible : { true, false })
    {
        const auto found = byHostId.find (juce::String (toVst3ParameterId (identifier, studioOneCompatible)));

        if (found != byHostId.end())
            return found->second;
    }

    for (const auto& [hostId, parameter] : byHostId)
        if (hostId.endsWith (":" + identifier))
            return parameter;

    return nullptr;
}

juce::Result ParameterMap::getRange (const juce::AudioPluginInstance::HostedParameter& parameter, Range& range)
{
    constexpr int maximumTextLength = 64;
    const auto startText = parameter.getText (0.0f, maximumTextLength);
    const auto endText = parameter.getText (1.0f, maximumTextLength);

    if (NumberText::toFiniteNumber (startText, range.start) && NumberText::toFiniteNumber (endText, range.end))
    {
        range.isSwitch = false;
        return juce::Result::ok();
    }

    // A two-state parameter whose ends read as words ("Off", "On") is a switch.
    if (parameter.getNumSteps() == 2)
    {
        range = { 0.0, 1.0, true };
        return juce::Result::ok();
    }

    return juce::Result::fail ("the range of " + parameter.getName (maximumTextLength) + " cannot be read (\""
                               + startText + "\" to \"" + endText + "\")");
}

juce::Result ParameterMap::toNormalised (const juce::String& identifier, double realValue, float& normalised) const
{
    auto* parameter = find (identifier);

    if (parameter == nullptr)
        return juce::Result::fail ("the plug-in has no parameter " + identifier);

    Range range;

    if (const auto rangeResult = getRange (*parameter, range); rangeResult.failed())
        return rangeResult;

    if (range.isSwitch)
    {
        if (! juce::exactlyEqual (realValue, 0.0) && ! juce::exactlyEqual (realValue, 1.0))
            return juce::Result::fail ("value " + juce::String (realValue) + " for " + identifier
                                       + " is not allowed: it is a switch, 0 (off) or 1 (on)");
    }
    else if (! (realValue >= range.start && realValue <= range.end))
    {
        return juce::Result::fail ("value " + juce::String (realValue) + " for " + identifier + " is out of range "
                                   + juce::String (range.start) + " to " + juce::String (range.end));
    }

    // A switch is off at 0 and on at 1 in every format; LV2 hosts read its text only as a label
    // ("Off", "On").
    if (range.isSwitch)
    {
        normalised = (float) juce::roundToInt (realValue);
        return juce::Result::ok();
    }

    normalised = juce::jlimit (0.0f, 1.0f, parameter->getValueForText (juce::String (realValue, 9)));
    return juce::Result::ok();
}
