#include "PresetSelection.h"

#include "FactoryPresetMenu.h"
#include "presets/FactoryPresetBank.h"

#include <cmath>

namespace
{
    const std::vector<FactoryPresetBank::Preset>& bank()
    {
        return FactoryPresetBank::getInstance().getPresets();
    }

    // Closer than any step of a parameter's interval.
    constexpr float sameValueTolerance = 1.0e-5f;

    juce::RangedAudioParameter* findParameter (juce::AudioProcessor& processor, const juce::String& id)
    {
        for (auto* parameter : processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter); ranged != nullptr && ranged->getParameterID() == id)
                return ranged;

        return nullptr;
    }
}

PresetSelection::PresetSelection (juce::AudioProcessor& processorToUse, juce::PropertySet& settingsToUse)
    : processor (processorToUse), settings (settingsToUse)
{
    const auto savedName = settings.getValue (settingsKey);

    if (const auto* preset = FactoryPresetBank::getInstance().find (savedName); preset != nullptr && savedName.isNotEmpty())
        index = (int) (preset - bank().data());
}

void PresetSelection::choose (int presetIndex)
{
    if (! FactoryPresetMenu::apply (FactoryPresetMenu::firstItemId + presetIndex, processor))
        return;

    index = presetIndex;
    settings.setValue (settingsKey, bank()[(size_t) index].name);
}

void PresetSelection::step (int direction)
{
    const auto size = (int) bank().size();

    if (size == 0)
        return;

    const auto next = index < 0 ? (direction > 0 ? 0 : size - 1)
                                : ((index + direction) % size + size) % size;
    choose (next);
}

void PresetSelection::clear()
{
    index = -1;
    settings.removeValue (settingsKey);
}

bool PresetSelection::isChanged() const
{
    if (index < 0)
    {
        for (auto* parameter : processor.getParameters())
            if (std::abs (parameter->getValue() - parameter->getDefaultValue()) > sameValueTolerance)
                return true;

        return false;
    }

    for (const auto& value : bank()[(size_t) index].values)
        if (auto* parameter = findParameter (processor, value.parameterId))
            if (std::abs (parameter->getValue() - parameter->convertTo0to1 ((float) value.value)) > sameValueTolerance)
                return true;

    return false;
}

juce::String PresetSelection::getDisplayName() const
{
    if (index < 0)
        return isChanged() ? "Custom" : "Default";

    return bank()[(size_t) index].name + (isChanged() ? " *" : "");
}
