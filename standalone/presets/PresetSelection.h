#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** Which factory preset the application's instrument is playing, for the preset bar and the
    Options menu. The choice is kept in the application's settings ("factoryPreset", by name), so
    it comes back with the instrument's state on the next start.

    Whether the sound still is that preset is not stored but read off the parameters: once a knob
    is turned away from the preset's value, the name shows as changed. */
class PresetSelection
{
public:
    PresetSelection (juce::AudioProcessor& processorToUse, juce::PropertySet& settingsToUse);

    /** The chosen preset's index in the bank, or -1 when none is. */
    int getIndex() const noexcept  { return index; }

    /** Applies the preset of that index and remembers the choice; an index outside the bank
        changes nothing. */
    void choose (int presetIndex);

    /** The next (+1) or previous (-1) preset, wrapping round the bank; from none, the first or
        the last. */
    void step (int direction);

    /** Forgets the choice, as after a reset or a state loaded from a file. */
    void clear();

    /** True when a parameter differs from the chosen preset (or, with none chosen, from its
        default). */
    bool isChanged() const;

    /** The preset's name, "Default" or "Custom" with none chosen; "*" added once changed. */
    juce::String getDisplayName() const;

    static constexpr const char* settingsKey = "factoryPreset";

private:
    juce::AudioProcessor& processor;
    juce::PropertySet& settings;
    int index = -1;
};
