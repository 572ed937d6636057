#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** The factory presets as a sub-menu of the application's Options menu: one item a preset, in the
    bank's order, which sets the instrument's parameters to the preset's values. The parameters
    change as the host's automation changes them, so the window's controls follow. */
class FactoryPresetMenu
{
public:
    /** The menu's item IDs start here, clear of the Options menu's own. */
    static constexpr int firstItemId = 1000;

    /** The menu, with the preset of that index in the bank ticked (none for -1). */
    static juce::PopupMenu create (int tickedIndex = -1);

    /** Applies the preset of a chosen item ID; false for an ID that is not a preset's. */
    static bool apply (int itemId, juce::AudioProcessor& processor);
};
