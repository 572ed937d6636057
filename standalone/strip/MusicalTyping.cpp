#include "MusicalTyping.h"

#include <algorithm>

namespace
{
    // The highest base note whose top key (a sixth above the octave) is still a MIDI note.
    constexpr int highestBaseNote = 108;

    bool isShortcut (const juce::ModifierKeys& modifiers)
    {
        return modifiers.isCommandDown() || modifiers.isAltDown() || modifiers.isCtrlDown();
    }
}

MusicalTyping::MusicalTyping (juce::MidiKeyboardState& stateToPlay)
    : state (stateToPlay)
{
    heldNotes.fill (-1);
}

MusicalTyping::~MusicalTyping()
{
    releaseAll();
}

bool MusicalTyping::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    if (isShortcut (key.getModifiers()))
        return false;

    switch (juce::CharacterFunctions::toLowerCase (key.getTextCharacter()))
    {
        case 'z': changeOctave (-1); return true;
        case 'x': changeOctave (1); return true;
        case 'c': changeVelocity (-1); return true;
        case 'v': changeVelocity (1); return true;
        default: break;
    }

    // The note keys act on their state changes; their presses (and repeats) are used up here.
    const auto character = (char) juce::CharacterFunctions::toLowerCase (key.getTextCharacter());
    return std::find (noteKeys.begin(), noteKeys.end(), character) != noteKeys.end();
}

bool MusicalTyping::keyStateChanged (bool, juce::Component*)
{
    const auto shortcut = isShortcut (juce::ModifierKeys::getCurrentModifiers());
    auto used = false;

    for (size_t key = 0; key < noteKeys.size(); ++key)
    {
        const auto isDown = ! shortcut && juce::KeyPress::isKeyCurrentlyDown (noteKeys[key]);
        auto& held = heldNotes[key];

        if (isDown && held < 0)
        {
            if (const auto note = baseNote + (int) key; note <= 127)
            {
                held = note;
                state.noteOn (midiChannel, note, (float) velocity / 127.0f);
                used = true;
            }
        }
        else if (! isDown && held >= 0)
        {
            state.noteOff (midiChannel, held, 0.0f);
            held = -1;
            used = true;
        }
    }

    return used;
}

void MusicalTyping::releaseAll()
{
    for (auto& held : heldNotes)
    {
        if (held >= 0)
            state.noteOff (midiChannel, held, 0.0f);

        held = -1;
    }
}

void MusicalTyping::changeOctave (int direction)
{
    baseNote = juce::jlimit (0, highestBaseNote, baseNote + 12 * direction);

    if (onSettingsChanged != nullptr)
        onSettingsChanged();
}

void MusicalTyping::changeVelocity (int direction)
{
    // Steps of ten from 100, with the full 127 at the top.
    velocity = direction > 0 ? juce::jmin (127, velocity + velocityStep)
                             : juce::jmax (velocityStep, (velocity == 127 ? 120 + velocityStep : velocity) - velocityStep);

    if (onSettingsChanged != nullptr)
        onSettingsChanged();
}
