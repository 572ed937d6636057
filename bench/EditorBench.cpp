#include "tools/snapshot/EditorSnapshot.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{
    // An open editor whose pad plays with a full, moving trail, as in steady playing.
    class PlayingEditor
    {
    public:
        PlayingEditor()
        {
            for (int i = 0; i < 90; ++i)
                advance();
        }

        // One timer tick with the note and wheel a little further along a slow sweep.
        void advance()
        {
            const auto t = (float) frame++ * 0.05f;
            snapshot.publish (60 + juce::roundToInt (12.0f * std::sin (t * 0.7f)), 0.5f + 0.4f * std::sin (t));
            snapshot.tick();
        }

        WarbleProcessor processor;
        EditorSnapshot snapshot { processor };
        juce::Image image = EditorSnapshot::makeImage (WarbleEditor::windowWidth, WarbleEditor::windowHeight);

    private:
        int frame = 0;
    };
}

// Everything the window shows, painted once with the software renderer at 1x.
static void fullEditorPaint (benchmark::State& state)
{
    PlayingEditor editor;
    const auto bounds = editor.snapshot.getEditor().getLocalBounds();

    for (auto _ : state)
        editor.snapshot.paintEditor (editor.image, bounds);
}
BENCHMARK (fullEditorPaint)->Unit (benchmark::kMicrosecond);

// What the pad costs 30 times a second: its tick, then a repaint of its area, which also paints
// the editor behind it under the pad's clip because the pad is not opaque.
static void padFrame (benchmark::State& state)
{
    PlayingEditor editor;
    const auto padBounds = editor.snapshot.getPad().getBounds();

    for (auto _ : state)
    {
        editor.advance();
        editor.snapshot.paintEditor (editor.image, padBounds);
    }
}
BENCHMARK (padFrame)->Unit (benchmark::kMicrosecond);
