#include "FactoryPresetMenu.h"

#include "presets/FactoryPresetBank.h"

juce::PopupMenu FactoryPresetMenu::create (int tickedIndex)
{
    juce::PopupMenu menu;
    auto index = 0;

    for (const auto& preset : FactoryPresetBank::getInstance().getPresets())
    {
        menu.addItem (firstItemId + index, preset.name, true, index == tickedIndex);
        ++index;
    }

    return menu;
}

bool FactoryPresetMenu::apply (int itemId, juce::AudioProcessor& processor)
{
    const auto& presets = FactoryPresetBank::getInstance().getPresets();
    const auto index = itemId - firstItemId;

    if (index < 0 || index >= (int) presets.size())
        return false;

    for (const auto& value : presets[(size_t) index].values)
        for (auto* parameter : processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);
                ranged != nullptr && ranged->getParameterID() == value.parameterId)
                ranged->setValueNotifyingHost (ranged->convertTo0to1 ((float) value.value));

    return true;
}
