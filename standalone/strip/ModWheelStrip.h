#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The strip's modulation wheel: dragged up and down it sends its position (0 to 127) as a
    hardware wheel sends controller 1, and it stays where it is let go. While it is not held it
    shows the wheel position the instrument last received, so it follows a hardware wheel too. */
class ModWheelStrip : public juce::Component
{
public:
    ModWheelStrip();

    /** Called with each new position while the wheel is dragged. */
    std::function<void (int)> onMove;

    /** Shows a position received from elsewhere; ignored while the wheel is held. */
    void showPosition (int position);

    int getPosition() const noexcept  { return position; }
    bool isHeld() const noexcept      { return held; }

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;

private:
    juce::Rectangle<float> getTrack() const;
    void moveTo (float y);

    int position = 0;
    bool held = false;
};
