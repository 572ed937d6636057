#pragma once

#include <juce_audio_utils/juce_audio_utils.h>

#include <bitset>
#include <functional>

/** The strip's piano keyboard, in the instrument's look. A click plays a note whose velocity
    grows with how far down the key it lands; dragging plays each key in turn, the new key struck
    before the old one is let go, so that with Legato on the line glides from key to key.

    Keys light for the notes the strip plays and for every note the instrument hears from any
    source, a hardware keyboard included (asked of `isHeard`, which the owner polls). */
class StripKeyboard : public juce::MidiKeyboardComponent
{
public:
    StripKeyboard (juce::MidiKeyboardState& stateToPlay, std::function<bool (int)> isHeardNote);

    /** Re-reads which notes the instrument hears and repaints the keys that changed. */
    void refreshHeardNotes();

    /** Shows the three octaves and a key from this C upwards. */
    void showFrom (int lowestNote);

    /** True while a key shows lit: played here, or heard from anywhere. */
    bool isLitNote (int note) const  { return isLit (note, state.isNoteOnForChannels (0xffff, note)); }

    /** Lets go of a note the mouse holds. */
    void releaseMouseNote();

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void resized() override;

    static constexpr int shownKeys = 37;

private:
    void drawWhiteNote (int midiNoteNumber, juce::Graphics& g, juce::Rectangle<float> area,
                        bool isDown, bool isOver, juce::Colour lineColour, juce::Colour textColour) override;
    void drawBlackNote (int midiNoteNumber, juce::Graphics& g, juce::Rectangle<float> area,
                        bool isDown, bool isOver, juce::Colour noteFillColour) override;

    void playNoteAt (juce::Point<float> position);
    bool isLit (int note, bool isDown) const noexcept;

    juce::MidiKeyboardState& state;
    std::function<bool (int)> isHeard;
    std::bitset<128> heard;
    int mouseNote = -1;
    int lowestShownNote = 48;
};
