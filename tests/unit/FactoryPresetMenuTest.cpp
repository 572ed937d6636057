#include "plugin/WarbleProcessor.h"
#include "presets/FactoryPresetBank.h"
#include "standalone/presets/FactoryPresetMenu.h"

#include <gtest/gtest.h>

#include <cmath>

// The application's Options menu of factory presets, against the instrument's own processor.

TEST (FactoryPresetMenu, OffersEveryPresetInTheBanksOrder)
{
    const auto menu = FactoryPresetMenu::create();
    const auto& presets = FactoryPresetBank::getInstance().getPresets();
    ASSERT_EQ (menu.getNumItems(), (int) presets.size());

    juce::PopupMenu::MenuItemIterator item (menu);

    for (size_t index = 0; index < presets.size() && item.next(); ++index)
    {
        EXPECT_EQ (item.getItem().text, presets[index].name);
        EXPECT_EQ (item.getItem().itemID, FactoryPresetMenu::firstItemId + (int) index);
    }
}

TEST (FactoryPresetMenu, AChosenPresetSetsExactlyItsValuesAndOtherItemsChangeNothing)
{
    const auto& presets = FactoryPresetBank::getInstance().getPresets();

    for (size_t index = 0; index < presets.size(); ++index)
    {
        SCOPED_TRACE (presets[index].name);
        WarbleProcessor processor;

        // Every parameter first at the end of its range farthest from the preset's value: a
        // fresh processor already holds many of them as its defaults.
        for (const auto& value : presets[index].values)
        {
            auto* parameter = processor.parameters.getParameter (value.parameterId);
            ASSERT_NE (parameter, nullptr) << value.parameterId;
            const auto target = parameter->convertTo0to1 ((float) value.value);
            parameter->setValueNotifyingHost (target < 0.5f ? 1.0f : 0.0f);
            ASSERT_GE (std::abs (parameter->getValue() - target), 0.25f) << value.parameterId;
        }

        ASSERT_TRUE (FactoryPresetMenu::apply (FactoryPresetMenu::firstItemId + (int) index, processor));

        for (const auto& value : presets[index].values)
        {
            auto* parameter = processor.parameters.getParameter (value.parameterId);
            ASSERT_NE (parameter, nullptr) << value.parameterId;
            EXPECT_FLOAT_EQ (parameter->convertFrom0to1 (parameter->getValue()), (float) value.value) << value.parameterId;
        }
    }

    // JUCE's own items and anything past the bank are not presets.
    WarbleProcessor processor;
    juce::MemoryBlock before, after;
    processor.getStateInformation (before);

    for (const auto itemId : { 1, 4, FactoryPresetMenu::firstItemId - 1, FactoryPresetMenu::firstItemId + (int) presets.size() })
        EXPECT_FALSE (FactoryPresetMenu::apply (itemId, processor)) << itemId;

    processor.getStateInformation (after);
    EXPECT_EQ (before, after);
}
