#include "InstrumentPanel.h"

#include "standalone/audio/InstrumentHost.h"

InstrumentPanel::InstrumentPanel (InstrumentHost& host, PresetSelection& presets, bool showStrip)
    : processor (host.getProcessor()),
      editor (processor.createEditorIfNeeded()),
      strip (host, presets)
{
    addAndMakeVisible (editor.get());
    addChildComponent (strip);
    strip.setVisible (showStrip);
    updateSize();
}

InstrumentPanel::~InstrumentPanel()
{
    processor.editorBeingDeleted (editor.get());
}

void InstrumentPanel::setStripVisible (bool shouldBeVisible)
{
    if (! shouldBeVisible)
        strip.releaseHeldNotes();

    strip.setVisible (shouldBeVisible);
    updateSize();
}

void InstrumentPanel::updateSize()
{
    setSize (editor->getWidth(), editor->getHeight() + (strip.isVisible() ? PlayingStrip::stripHeight : 0));
}

void InstrumentPanel::resized()
{
    auto area = getLocalBounds();
    editor->setTopLeftPosition (0, 0);
    area.removeFromTop (editor->getHeight());
    strip.setBounds (area);
}
