#pragma once

#include <array>
#include <cstdint>

/** One of the engine's eight voices: plain data, all behaviour lives in WarbleProcessor.
    A default-constructed record is a reset, free voice. */
struct Voice
{
    bool active = false;
    bool releasing = false;
    int note = -1;
    float velocity = 1.0f;
    /** The loudness the voice's output is multiplied by. It follows velocity: at once for a note
        that starts from silence, otherwise at the attack's rate, so that a new loudness never
        jumps. */
    float gain = 1.0f;
    float targetHz = 440.0f;
    float currentHz = 440.0f;
    double phase = 0.0;
    float vibratoPhase = 0.0f;
    float envelope = 0.0f;
    std::array<float, 4> filterStages {};
    /** When the voice was last started, counted in starts; a legato re-aim does not count. Of
        the held voices, the one started earliest gives way first. */
    std::uint64_t startOrder = 0;
};
