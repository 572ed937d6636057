#include "PresetApplier.h"

juce::Result PresetApplier::apply (const FactoryPresetBank::Preset& preset, const ParameterMap& parameters)
{
    for (const auto& value : preset.values)
    {
        float normalised = 0.0f;

        if (const auto converted = parameters.toNormalised (value.parameterId, value.value, normalised); converted.failed())
            return juce::Result::fail ("preset " + preset.name.quoted() + ": " + converted.getErrorMessage());

        parameters.find (value.parameterId)->setValue (normalised);
    }

    return juce::Result::ok();
}

juce::String PresetApplier::describe (const FactoryPresetBank& bank)
{
    auto width = 0;

    for (const auto& preset : bank.getPresets())
        width = std::max (width, preset.name.length());

    juce::String text;

    for (const auto& preset : bank.getPresets())
        text << preset.name.paddedRight (' ', width + 2) << preset.purpose << "\n";

    return text;
}
