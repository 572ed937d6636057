#include "WarbleStandaloneWindow.h"

#include "standalone/audio/InstrumentHost.h"
#include "standalone/presets/FactoryPresetMenu.h"

WarbleStandaloneWindow::WarbleStandaloneWindow (const juce::String& title, InstrumentHost& hostToShow,
                                                juce::PropertySet& settingsToUse)
    : juce::DocumentWindow (title, juce::LookAndFeel::getDefaultLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId),
                            juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton),
      host (hostToShow),
      settings (settingsToUse),
      presets (host.getProcessor(), settings)
{
    setTitleBarButtonsRequired (juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton, false);

    juce::Component::addAndMakeVisible (optionsButton);
    optionsButton.setTriggeredOnMouseDown (true);
    optionsButton.setWantsKeyboardFocus (false);
    optionsButton.onClick = [this]
    {
        createOptionsMenu().showMenuAsync (juce::PopupMenu::Options().withTargetComponent (optionsButton),
                                           [safeThis = juce::Component::SafePointer<WarbleStandaloneWindow> (this)] (int result)
                                           {
                                               if (safeThis != nullptr && result != 0)
                                                   safeThis->handleOptionsMenuResult (result);
                                           });
    };

    panel = new InstrumentPanel (host, presets, settings.getBoolValue (showStripKey, true));
    setContentOwned (panel, true);
    setResizable (false, false);

    // Typing plays wherever the keyboard focus is inside the window.
    addKeyListener (&panel->getStrip().getMusicalTyping());

    setTopLeftPosition (getInitialPosition());
}

WarbleStandaloneWindow::~WarbleStandaloneWindow()
{
    settings.setValue ("windowX", getX());
    settings.setValue ("windowY", getY());
    removeKeyListener (&panel->getStrip().getMusicalTyping());
    clearContentComponent();
}

juce::Point<int> WarbleStandaloneWindow::getInitialPosition() const
{
    const auto& displays = juce::Desktop::getInstance().getDisplays();
    const auto* primary = displays.getPrimaryDisplay();

    if (primary == nullptr)
        return {};

    constexpr int unset = -100;
    const auto x = settings.getIntValue ("windowX", unset);
    const auto y = settings.getIntValue ("windowY", unset);

    if (x != unset && y != unset)
    {
        // Kept on a screen that is still there.
        const auto limits = displays.getDisplayForRect ({ x, y, getWidth(), getHeight() })->userArea;
        return { juce::jlimit (limits.getX(), juce::jmax (limits.getX(), limits.getRight() - getWidth()), x),
                 juce::jlimit (limits.getY(), juce::jmax (limits.getY(), limits.getBottom() - getHeight()), y) };
    }

    return primary->userArea.getCentre() - juce::Point<int> (getWidth() / 2, getHeight() / 2);
}

juce::PopupMenu WarbleStandaloneWindow::createOptionsMenu()
{
    juce::PopupMenu menu;
    menu.addItem (audioSettingsItem, TRANS ("Audio/MIDI Settings..."));
    menu.addSeparator();
    menu.addItem (saveStateItem, TRANS ("Save current state..."));
    menu.addItem (loadStateItem, TRANS ("Load a saved state..."));
    menu.addSubMenu ("Factory presets", FactoryPresetMenu::create (presets.getIndex()));
    menu.addSeparator();
    menu.addItem (showStripItem, "Show keyboard strip", true, panel->isStripVisible());
    menu.addItem (resetItem, TRANS ("Reset to default state"));
    return menu;
}

void WarbleStandaloneWindow::handleOptionsMenuResult (int itemId)
{
    if (itemId >= FactoryPresetMenu::firstItemId)
    {
        presets.choose (itemId - FactoryPresetMenu::firstItemId);
        panel->getStrip().refresh();
        return;
    }

    switch (itemId)
    {
        case audioSettingsItem:
            host.showAudioSettingsDialog();
            break;

        case saveStateItem:
            host.askUserToSaveState();
            break;

        case loadStateItem:
            host.askUserToLoadState ([this] (const juce::File&) { presets.clear(); });
            break;

        case showStripItem:
            panel->setStripVisible (! panel->isStripVisible());
            settings.setValue (showStripKey, panel->isStripVisible());
            break;

        case resetItem:
            host.resetToDefaultState();
            presets.clear();
            break;

        default:
            break;
    }

    panel->getStrip().refresh();
}

void WarbleStandaloneWindow::closeButtonPressed()
{
    juce::JUCEApplicationBase::getInstance()->systemRequestedQuit();
}

void WarbleStandaloneWindow::activeWindowStatusChanged()
{
    juce::DocumentWindow::activeWindowStatusChanged();

    // Keys let go while another window has the keyboard never reach this one: no note may hang.
    if (panel != nullptr && ! isActiveWindow())
        panel->getStrip().releaseHeldNotes();
}

void WarbleStandaloneWindow::resized()
{
    juce::DocumentWindow::resized();
    optionsButton.setBounds (8, 6, 60, getTitleBarHeight() - 8);
}
