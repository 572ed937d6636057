#include "AudioThread.h"

#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

TEST (KeyboardStateHandOver, EditorsOpenAndCloseWhileBlocksRun)
{
    WarbleProcessor processor;
    auto frame = juce::Image (juce::Image::ARGB, 500, 280, true, juce::SoftwareImageType());

    AudioThread audio (processor);
    ASSERT_TRUE (audio.waitForBlocks (1));

    for (int i = 0; i < 300; ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        auto* warbleEditor = dynamic_cast<WarbleEditor*> (editor.get());
        ASSERT_NE (warbleEditor, nullptr);
        ASSERT_EQ (processor.keyboardState.load(), &WarbleEditorTestAccess::keyboardState (*warbleEditor));

        // Let blocks pass MIDI through the lent state, and let the pad read the published values
        // while the audio thread writes them, as its timer and repaints would.
        auto& pad = WarbleEditorTestAccess::pad (*warbleEditor);
        ASSERT_TRUE (audio.waitForBlocks (2));
        XYPadDisplayTestAccess::tick (pad);

        {
            juce::Graphics g (frame);
            g.reduceClipRegion (pad.getBounds());
            editor->paintEntireComponent (g, true);
        }

        // Closed as the plug-in wrapper closes it, at an arbitrary point of a block, often while
        // one is using the state.
        processor.editorBeingDeleted (editor.get());
        editor.reset();
        ASSERT_EQ (processor.keyboardState.load(), nullptr);
    }

    ASSERT_TRUE (audio.waitForBlocks (1));
}
