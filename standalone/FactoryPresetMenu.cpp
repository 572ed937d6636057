#include "FactoryPresetMenu.h"

#include "presets/FactoryPresetBank.h"

juce::PopupMenu FactoryPresetMenu::create()
{
    juce::PopupMenu menu;
    auto itemId = firstItemId;

    for (const auto& preset : FactoryPresetBank::getInstance().getPresets())
        menu.addItem (itemId++, preset.name);

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
