#pragma once

#include "../plugin/WarbleProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** The animated pad: the latest note across, the modulation wheel up, with a fading,
    colour-cycling trail. A display only; it reads the processor's published values on its own
    30 Hz timer and never writes to the processor. */
class XYPadDisplay : public juce::Component,
                     private juce::Timer
{
public:
    explicit XYPadDisplay (WarbleProcessor& processorToShow);

    void paint (juce::Graphics& g) override;

    static constexpr int ticksPerSecond = 30;
    static constexpr float tickSeconds = 1.0f / (float) ticksPerSecond;
    static constexpr float trailLifetimeSeconds = 2.0f;
    static constexpr size_t maximumTrailPoints = 120;

private:
    struct TrailPoint
    {
        float x;    // pitch, 0 (left) to 1 (right)
        float y;    // modulation wheel, 0 (bottom) to 1 (top)
        float age;  // seconds, counted in ticks
        float hue;  // degrees
    };

    void timerCallback() override;

    static float noteToX (int note) noexcept;
    static float wheelToY (float wheel) noexcept;

    WarbleProcessor& processor;
    std::vector<TrailPoint> trail;
    float hue = 180.0f;
    float pulsePhase = 0.0f;

    friend struct XYPadDisplayTestAccess;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (XYPadDisplay)
};
