#pragma once

#include "InstrumentPanel.h"
#include "standalone/presets/PresetSelection.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** The application's window: the instrument with its playing strip, and an Options button in
    the title bar for the audio and MIDI settings, state files, the factory presets, the strip
    and a reset. Its position, whether the strip shows and the chosen preset are kept in the
    application's settings ("windowX", "windowY", "showKeyboardStrip", "factoryPreset"). */
class WarbleStandaloneWindow : public juce::DocumentWindow
{
public:
    WarbleStandaloneWindow (const juce::String& title, InstrumentHost& hostToShow, juce::PropertySet& settingsToUse);
    ~WarbleStandaloneWindow() override;

    InstrumentPanel& getPanel() noexcept  { return *panel; }
    PresetSelection& getPresets() noexcept { return presets; }

    /** The Options menu as it is shown now, and what choosing one of its items does. */
    juce::PopupMenu createOptionsMenu();
    void handleOptionsMenuResult (int itemId);

    void closeButtonPressed() override;
    void activeWindowStatusChanged() override;
    void resized() override;

    enum MenuItem
    {
        audioSettingsItem = 1,
        saveStateItem,
        loadStateItem,
        resetItem,
        showStripItem
    };

    static constexpr const char* showStripKey = "showKeyboardStrip";

private:
    juce::Point<int> getInitialPosition() const;

    InstrumentHost& host;
    juce::PropertySet& settings;
    PresetSelection presets;
    InstrumentPanel* panel = nullptr;
    juce::TextButton optionsButton { "Options" };
};
