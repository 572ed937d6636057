#include "StripKeyboard.h"

#include "MusicalTyping.h"
#include "StripColours.h"

namespace
{
    // Even a click at a key's very top sounds.
    constexpr float softestVelocity = 0.1f;

    void paintKey (juce::Graphics& g, juce::Rectangle<float> key, juce::Colour fill, bool isOver)
    {
        g.setColour (fill);
        g.fillRect (key);

        if (isOver)
        {
            g.setColour (StripColours::faintAccent);
            g.fillRect (key);
        }

        g.setColour (StripColours::outline);
        g.drawRect (key, 1.0f);
    }
}

StripKeyboard::StripKeyboard (juce::MidiKeyboardState& stateToPlay, std::function<bool (int)> isHeardNote)
    : juce::MidiKeyboardComponent (stateToPlay, juce::KeyboardComponentBase::horizontalKeyboard),
      state (stateToPlay),
      isHeard (std::move (isHeardNote))
{
    // The window plays the computer keyboard; the component itself takes no keys.
    clearKeyMappings();
    setWantsKeyboardFocus (false);
    setScrollButtonsVisible (false);
    setMidiChannel (MusicalTyping::midiChannel);
    setVelocity (1.0f, true);
    setOctaveForMiddleC (4);
    showFrom (lowestShownNote);
}

void StripKeyboard::showFrom (int lowestNote)
{
    lowestShownNote = juce::jlimit (0, 127 - shownKeys + 1, lowestNote);
    setAvailableRange (lowestShownNote, lowestShownNote + shownKeys - 1);
    resized();
}

void StripKeyboard::resized()
{
    // Twenty-two white keys fill the width.
    auto whiteKeys = 0;

    for (int note = lowestShownNote; note < lowestShownNote + shownKeys; ++note)
        whiteKeys += juce::MidiMessage::isMidiNoteBlack (note) ? 0 : 1;

    setKeyWidth ((float) getWidth() / (float) juce::jmax (1, whiteKeys));
    setLowestVisibleKey (lowestShownNote);
    juce::MidiKeyboardComponent::resized();
}

void StripKeyboard::refreshHeardNotes()
{
    for (int note = 0; note < 128; ++note)
    {
        const auto isOn = isHeard != nullptr && isHeard (note);

        if (heard[(size_t) note] != isOn)
        {
            heard[(size_t) note] = isOn;

            if (note >= getRangeStart() && note <= getRangeEnd())
                repaint (getRectangleForKey (note).getSmallestIntegerContainer());
        }
    }
}

void StripKeyboard::playNoteAt (juce::Point<float> position)
{
    const auto target = getNoteAndVelocityAtPosition (position);

    if (target.note < 0 || target.note == mouseNote)
        return;

    // The new key first, then the old one let go: a held legato line glides rather than
    // starting a new attack.
    const auto previous = mouseNote;
    mouseNote = target.note;
    state.noteOn (MusicalTyping::midiChannel, mouseNote, juce::jmax (softestVelocity, target.velocity));

    if (previous >= 0)
        state.noteOff (MusicalTyping::midiChannel, previous, 0.0f);
}

void StripKeyboard::releaseMouseNote()
{
    if (mouseNote >= 0)
        state.noteOff (MusicalTyping::midiChannel, mouseNote, 0.0f);

    mouseNote = -1;
}

void StripKeyboard::mouseDown (const juce::MouseEvent& e)
{
    playNoteAt (e.position);
}

void StripKeyboard::mouseDrag (const juce::MouseEvent& e)
{
    playNoteAt (e.position);
}

void StripKeyboard::mouseUp (const juce::MouseEvent&)
{
    releaseMouseNote();
}

bool StripKeyboard::isLit (int note, bool isDown) const noexcept
{
    return isDown || note == mouseNote || heard[(size_t) juce::jlimit (0, 127, note)];
}

void StripKeyboard::drawWhiteNote (int midiNoteNumber, juce::Graphics& g, juce::Rectangle<float> area,
                                   bool isDown, bool isOver, juce::Colour, juce::Colour)
{
    auto key = area.reduced (0.5f, 0.0f);
    paintKey (g, key, isLit (midiNoteNumber, isDown) ? StripColours::accent : StripColours::whiteKey, isOver);

    // The Cs are named, so that the octave shows.
    if (midiNoteNumber % 12 == 0)
    {
        g.setColour (isLit (midiNoteNumber, isDown) ? StripColours::background : StripColours::text);
        g.setFont (StripColours::font (9.0f));
        g.drawText (juce::MidiMessage::getMidiNoteName (midiNoteNumber, true, true, 4),
                    key.removeFromBottom (14.0f).toNearestInt(), juce::Justification::centred, false);
    }
}

void StripKeyboard::drawBlackNote (int midiNoteNumber, juce::Graphics& g, juce::Rectangle<float> area,
                                   bool isDown, bool isOver, juce::Colour)
{
    paintKey (g, area, isLit (midiNoteNumber, isDown) ? StripColours::accent : StripColours::blackKey, isOver);
}
