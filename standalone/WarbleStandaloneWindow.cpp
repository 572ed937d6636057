#include "WarbleStandaloneWindow.h"

#include "FactoryPresetMenu.h"

void WarbleStandaloneWindow::buttonClicked (juce::Button*)
{
    // JUCE's own items, with their IDs, which handleMenuResult carries out.
    juce::PopupMenu menu;
    menu.addItem (1, TRANS ("Audio/MIDI Settings..."));
    menu.addSeparator();
    menu.addItem (2, TRANS ("Save current state..."));
    menu.addItem (3, TRANS ("Load a saved state..."));
    menu.addSubMenu ("Factory presets", FactoryPresetMenu::create());
    menu.addSeparator();
    menu.addItem (4, TRANS ("Reset to default state"));

    menu.showMenuAsync (juce::PopupMenu::Options(), [safeThis = juce::Component::SafePointer<WarbleStandaloneWindow> (this)] (int result)
    {
        if (safeThis == nullptr || result == 0)
            return;

        if (auto* processor = safeThis->getAudioProcessor(); processor != nullptr && FactoryPresetMenu::apply (result, *processor))
            return;

        safeThis->handleMenuResult (result);
    });
}
