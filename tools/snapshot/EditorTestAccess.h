#pragma once

#include "editor/WarbleEditor.h"

#include <vector>

/** Reaches inside the pad for the snapshot tool and the tests: its animation state, its mapping
    and its timer tick, driven directly instead of by the 30 Hz timer. */
struct XYPadDisplayTestAccess
{
    using TrailPoint = XYPadDisplay::TrailPoint;

    static void tick (XYPadDisplay& pad)                                { pad.timerCallback(); }
    static const std::vector<TrailPoint>& trail (const XYPadDisplay& pad) { return pad.trail; }
    static std::vector<TrailPoint>& trail (XYPadDisplay& pad)           { return pad.trail; }
    static float hue (const XYPadDisplay& pad)                          { return pad.hue; }
    static float pulsePhase (const XYPadDisplay& pad)                   { return pad.pulsePhase; }
    static float noteToX (int note)                                     { return XYPadDisplay::noteToX (note); }
    static float wheelToY (float wheel)                                 { return XYPadDisplay::wheelToY (wheel); }
};

/** Reaches the editor's child controls by role rather than by searching its children. */
struct WarbleEditorTestAccess
{
    static XYPadDisplay& pad (WarbleEditor& editor)                     { return editor.xyPad; }
    static juce::Slider& knob (WarbleEditor& editor, size_t index)      { return editor.knobs.at (index); }
    static juce::Label& caption (WarbleEditor& editor, size_t index)    { return editor.captions.at (index); }
    static juce::ToggleButton& legatoButton (WarbleEditor& editor)      { return editor.legatoButton; }
    static juce::MidiKeyboardState& keyboardState (WarbleEditor& editor) { return editor.midiKeyboardState; }
};
