#pragma once

#include "standalone/strip/PlayingStrip.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

/** The application window's content: the instrument's own editor at its fixed size, with the
    playing strip below it when the strip is shown. Its height follows, and the window with it. */
class InstrumentPanel : public juce::Component
{
public:
    InstrumentPanel (InstrumentHost& host, PresetSelection& presets, bool showStrip);
    ~InstrumentPanel() override;

    void setStripVisible (bool shouldBeVisible);
    bool isStripVisible() const noexcept  { return strip.isVisible(); }

    PlayingStrip& getStrip() noexcept               { return strip; }
    juce::AudioProcessorEditor* getEditor() noexcept { return editor.get(); }

    void resized() override;

private:
    void updateSize();

    juce::AudioProcessor& processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    PlayingStrip strip;
};
