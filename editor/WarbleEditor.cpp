#include "WarbleEditor.h"

WarbleEditor::WarbleEditor (WarbleProcessor& processor)
    : AudioProcessorEditor (processor), processorRef (processor)
{
    setSize (500, 280);
    processorRef.lendKeyboardState (midiKeyboardState);
}

WarbleEditor::~WarbleEditor()
{
    processorRef.withdrawKeyboardState();
}

void WarbleEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff030008));
}

void WarbleEditor::resized()
{
}
