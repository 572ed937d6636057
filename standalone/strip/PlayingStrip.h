#pragma once

#include "ModWheelStrip.h"
#include "MusicalTyping.h"
#include "StripKeyboard.h"

#include <juce_audio_utils/juce_audio_utils.h>

class InstrumentHost;
class PresetSelection;

/** The strip under the instrument's window that makes the application playable without MIDI
    hardware: a modulation wheel, a piano keyboard, the computer keyboard's musical typing (its
    octave and velocity shown here), and the current factory preset with previous and next
    buttons. With no audio device open it says so, and how to choose one.

    What the strip plays enters the instrument through the same MIDI collector as a hardware
    keyboard's input, time-stamped as it happens, so it sounds within the next audio block. */
class PlayingStrip : public juce::Component,
                     private juce::MidiKeyboardState::Listener,
                     private juce::Timer
{
public:
    PlayingStrip (InstrumentHost& hostToPlay, PresetSelection& presetsToShow);
    ~PlayingStrip() override;

    /** Attach to the window, so that typing plays whatever in it has the keyboard focus. */
    MusicalTyping& getMusicalTyping() noexcept  { return typing; }

    /** Lets go of every note the strip holds (keys, mouse), as when the window loses focus. */
    void releaseHeldNotes();

    /** Brings the preset name, the wheel, the lit keys and the device message up to date. */
    void refresh();

    void paint (juce::Graphics& g) override;
    void resized() override;

    static constexpr int stripHeight = 116;
    static constexpr const char* noDeviceMessage =
        "No audio device: choose one under Options > Audio/MIDI Settings.";

private:
    friend struct PlayingStripTestAccess;

    void handleNoteOn (juce::MidiKeyboardState*, int midiChannel, int midiNoteNumber, float velocity) override;
    void handleNoteOff (juce::MidiKeyboardState*, int midiChannel, int midiNoteNumber, float velocity) override;
    void timerCallback() override;

    void sendToInstrument (juce::MidiMessage message);
    void showTypingSettings();

    InstrumentHost& host;
    PresetSelection& presets;

    juce::MidiKeyboardState playedNotes;
    MusicalTyping typing { playedNotes };
    StripKeyboard keyboard;
    ModWheelStrip wheel;
    juce::TextButton previousPreset { "<" }, nextPreset { ">" };
    juce::Label presetName, typingSettings, deviceMessage;
};
