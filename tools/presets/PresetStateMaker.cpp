#include "PresetStateMaker.h"

#include <memory>

juce::Result PresetStateMaker::makeState (const FactoryPresetBank::Preset& preset, juce::MemoryBlock& state)
{
    const std::unique_ptr<juce::AudioProcessor> processor (createPluginFilter());
    juce::StringArray parameterIds;

    for (auto* parameter : processor->getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);

        if (ranged == nullptr)
            continue;

        const auto& id = ranged->getParameterID();
        parameterIds.add (id);

        const auto found = std::find_if (preset.values.begin(), preset.values.end(),
                                         [&] (const auto& value) { return value.parameterId == id; });

        if (found == preset.values.end())
            return juce::Result::fail ("preset " + preset.name.quoted() + " does not set " + id);

        // The range is in single precision, as the parameter is.
        const auto& range = ranged->getNormalisableRange();
        const auto value = (float) found->value;

        if (value < range.start || value > range.end)
            return juce::Result::fail ("preset " + preset.name.quoted() + " sets " + id + " to " + juce::String (found->value)
                                       + ", outside " + juce::String (range.start) + " to " + juce::String (range.end));

        ranged->setValueNotifyingHost (ranged->convertTo0to1 (value));
    }

    for (const auto& value : preset.values)
        if (! parameterIds.contains (value.parameterId))
            return juce::Result::fail ("preset " + preset.name.quoted() + " sets " + value.parameterId
                                       + ", which the instrument does not have");

    state.reset();
    processor->getStateInformation (state);
    return juce::Result::ok();
}
