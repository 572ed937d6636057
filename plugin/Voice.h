#pragma once

#include <array>

/** One of the engine's eight voices: plain data, all behaviour lives in WarbleProcessor.
    A default-constructed record is a reset, free voice. */
struct Voice
{
    bool active = false;
    bool releasing = false;
    int note = -1;
    float velocity = 1.0f;
    float targetHz = 440.0f;
    float currentHz = 440.0f;
    double phase = 0.0;
    float vibratoPhase = 0.0f;
    float envelope = 0.0f;
    std::array<float, 4> filterStages {};
};
