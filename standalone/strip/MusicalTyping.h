#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

/** The computer keyboard as a piano keyboard, as DAWs' "musical typing" does it: the home row
    A S D F G H J K L ; ' plays the white keys from C, the row above (W E T Y U O P) the black
    keys. Z and X move the octave down and up, C and V the velocity down and up.

    A note sounds while its key is held: key repeat never strikes it again, and the note that a
    key started is the one it stops, even after an octave change. Attached to a window as a key
    listener, it plays into a keyboard state, whose listeners pass the notes on. */
class MusicalTyping : public juce::KeyListener
{
public:
    explicit MusicalTyping (juce::MidiKeyboardState& stateToPlay);
    ~MusicalTyping() override;

    bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;
    bool keyStateChanged (bool isKeyDown, juce::Component* originatingComponent) override;

    /** Lets go of every note the keys hold, as when the window loses the keyboard. */
    void releaseAll();

    /** The note that A plays: a C. */
    int getBaseNote() const noexcept  { return baseNote; }
    int getVelocity() const noexcept  { return velocity; }

    /** Called when the octave or the velocity changes. */
    std::function<void()> onSettingsChanged;

    static constexpr int defaultBaseNote = 60;
    static constexpr int defaultVelocity = 100;
    static constexpr int velocityStep = 10;
    static constexpr int midiChannel = 1;

    /** The keys, in the order of the semitones they play from the base note. */
    static constexpr std::array<char, 18> noteKeys { 'a', 'w', 's', 'e', 'd', 'f', 't', 'g', 'y',
                                                     'h', 'u', 'j', 'k', 'o', 'l', 'p', ';', '\'' };

private:
    void changeOctave (int direction);
    void changeVelocity (int direction);

    juce::MidiKeyboardState& state;
    int baseNote = defaultBaseNote;
    int velocity = defaultVelocity;

    // The note each key is holding, or -1.
    std::array<int, noteKeys.size()> heldNotes;
};
