#pragma once

#include "editor/WarbleEditor.h"

#include <optional>

/** Opens an editor on a processor and renders it with JUCE's software renderer, with the XY pad
    driven into a chosen playing state. Shared by the snapshot tool, the drawing tests and the
    benchmarks. Message thread only; no audio thread may run on the processor, because this
    writes the processor's published display values itself. */
class EditorSnapshot
{
public:
    /** A playing state reached over a number of pad ticks. The note and the wheel move in a
        straight line from their start values (when given) to their final values, so the trail
        shows the path. */
    struct Performance
    {
        std::optional<int> note {};     // none: nothing sounds
        float wheel = 0.0f;
        int ticks = 0;
        std::optional<int> startNote {};
        std::optional<float> startWheel {};
    };

    explicit EditorSnapshot (WarbleProcessor& processor);

    WarbleEditor& getEditor() noexcept      { return editor; }
    XYPadDisplay& getPad() noexcept;

    /** Publishes a display state as the engine would: one voice sounding when a note is given. */
    void publish (std::optional<int> note, float wheel);

    /** Advances the pad's animation by one timer tick. */
    void tick();

    /** Publishes and ticks through a performance; the final values stay published. */
    void perform (const Performance& performance);

    juce::Image renderEditor();
    juce::Image renderPad();

    /** Paints the editor into an editor-sized image with drawing limited to the given area, as a
        repaint of that area does. */
    void paintEditor (juce::Image& target, juce::Rectangle<int> area);

    static juce::Image makeImage (int width, int height);
    static bool writePng (const juce::Image& image, const juce::File& file);

private:
    WarbleProcessor& processor;
    WarbleEditor editor;
};
