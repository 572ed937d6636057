#include "PlayingStrip.h"

#include "StripColours.h"
#include "plugin/WarbleProcessor.h"
#include "standalone/audio/InstrumentHost.h"
#include "standalone/presets/PresetSelection.h"

namespace
{
    constexpr int margin = 6;
    constexpr int barHeight = 22;
    constexpr int wheelWidth = 30;

    void styleLabel (juce::Label& label, float height, juce::Colour colour, juce::Justification justification)
    {
        label.setFont (StripColours::font (height));
        label.setColour (juce::Label::textColourId, colour);
        label.setJustificationType (justification);
        label.setInterceptsMouseClicks (false, false);
    }
}

PlayingStrip::PlayingStrip (InstrumentHost& hostToPlay, PresetSelection& presetsToShow)
    : host (hostToPlay),
      presets (presetsToShow),
      keyboard (playedNotes, [this] (int note)
      {
          // The editor's keyboard state sees every note the processor is given, from any source.
          const auto* heard = host.getWarbleProcessor().keyboardState.load();
          return heard != nullptr && heard->isNoteOnForChannels (0xffff, note);
      })
{
    playedNotes.addListener (this);

    wheel.onMove = [this] (int position)
    {
        sendToInstrument (juce::MidiMessage::controllerEvent (MusicalTyping::midiChannel, 1, position));
    };

    typing.onSettingsChanged = [this] { showTypingSettings(); };

    for (auto* button : { &previousPreset, &nextPreset })
    {
        button->setWantsKeyboardFocus (false);
        button->setColour (juce::TextButton::buttonColourId, StripColours::panel);
        button->setColour (juce::TextButton::textColourOffId, StripColours::accent);
        button->setColour (juce::ComboBox::outlineColourId, StripColours::outline);
        addAndMakeVisible (*button);
    }

    previousPreset.setTooltip ("Previous factory preset");
    nextPreset.setTooltip ("Next factory preset");
    previousPreset.onClick = [this] { presets.step (-1); refresh(); };
    nextPreset.onClick = [this] { presets.step (1); refresh(); };

    styleLabel (presetName, 13.0f, StripColours::accent, juce::Justification::centredLeft);
    styleLabel (typingSettings, 11.0f, StripColours::text, juce::Justification::centredRight);
    styleLabel (deviceMessage, 11.0f, StripColours::warning, juce::Justification::centred);
    deviceMessage.setText (noDeviceMessage, juce::dontSendNotification);
    deviceMessage.setColour (juce::Label::backgroundColourId, StripColours::background.withAlpha (0.85f));
    deviceMessage.setMinimumHorizontalScale (1.0f);

    addAndMakeVisible (presetName);
    addAndMakeVisible (typingSettings);
    addAndMakeVisible (wheel);
    addAndMakeVisible (keyboard);
    addChildComponent (deviceMessage);

    showTypingSettings();
    refresh();
    startTimerHz (30);
}

PlayingStrip::~PlayingStrip()
{
    releaseHeldNotes();
    playedNotes.removeListener (this);
}

void PlayingStrip::releaseHeldNotes()
{
    typing.releaseAll();
    keyboard.releaseMouseNote();
}

void PlayingStrip::sendToInstrument (juce::MidiMessage message)
{
    message.setTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001);
    host.getMidiCollector().addMessageToQueue (message);
}

void PlayingStrip::handleNoteOn (juce::MidiKeyboardState*, int midiChannel, int midiNoteNumber, float velocity)
{
    sendToInstrument (juce::MidiMessage::noteOn (midiChannel, midiNoteNumber, velocity));
}

void PlayingStrip::handleNoteOff (juce::MidiKeyboardState*, int midiChannel, int midiNoteNumber, float velocity)
{
    sendToInstrument (juce::MidiMessage::noteOff (midiChannel, midiNoteNumber, velocity));
}

void PlayingStrip::showTypingSettings()
{
    typingSettings.setText ("KEYS " + juce::MidiMessage::getMidiNoteName (typing.getBaseNote(), true, true, 4)
                              + "  VEL " + juce::String (typing.getVelocity()),
                            juce::dontSendNotification);

    // The keyboard shows the typing keys' octave with one below and one above.
    keyboard.showFrom (typing.getBaseNote() - 12);
}

void PlayingStrip::refresh()
{
    presetName.setText (presets.getDisplayName(), juce::dontSendNotification);
    wheel.showPosition (juce::roundToInt (host.getWarbleProcessor().modWheel.load() * 127.0f));
    keyboard.refreshHeardNotes();
    deviceMessage.setVisible (host.getDeviceManager().getCurrentAudioDevice() == nullptr);
}

void PlayingStrip::timerCallback()
{
    refresh();
}

void PlayingStrip::paint (juce::Graphics& g)
{
    g.fillAll (StripColours::background);
    g.setColour (StripColours::outline);
    g.fillRect (0, 0, getWidth(), 1);
}

void PlayingStrip::resized()
{
    auto area = getLocalBounds().reduced (margin).withTrimmedTop (1);

    auto bar = area.removeFromTop (barHeight);
    previousPreset.setBounds (bar.removeFromLeft (barHeight));
    bar.removeFromLeft (2);
    nextPreset.setBounds (bar.removeFromLeft (barHeight));
    bar.removeFromLeft (margin);
    typingSettings.setBounds (bar.removeFromRight (150));
    presetName.setBounds (bar);

    area.removeFromTop (4);
    wheel.setBounds (area.removeFromLeft (wheelWidth));
    area.removeFromLeft (margin);
    keyboard.setBounds (area);
    deviceMessage.setBounds (keyboard.getBounds().withHeight (18));
}
