#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
    // Plays notes and wheel moves into the processor, block after block, until stopped.
    class AudioThread
    {
    public:
        explicit AudioThread (WarbleProcessor& p) : processor (p)
        {
            processor.prepareToPlay (48000.0, blockSize);
            thread = std::thread ([this] { run(); });
        }

        ~AudioThread()
        {
            running.store (false);
            thread.join();
        }

        // Returns once at least `count` further blocks have been processed.
        void waitForBlocks (int count) const
        {
            const auto target = blocksDone.load() + count;

            while (blocksDone.load() < target)
                std::this_thread::yield();
        }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (2, blockSize);
            juce::MidiBuffer midi;
            midi.ensureSize (256);
            int step = 0;

            while (running.load())
            {
                const auto note = 48 + step % 24;
                midi.clear();
                midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100), 0);
                midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, step % 128), 8);

                if (step % 3 == 0)
                    midi.addEvent (juce::MidiMessage::noteOff (1, note), 40);

                processor.processBlock (buffer, midi);
                ++step;
                blocksDone.fetch_add (1);
            }
        }

        static constexpr int blockSize = 64;

        WarbleProcessor& processor;
        std::atomic<bool> running { true };
        std::atomic<int> blocksDone { 0 };
        std::thread thread;
    };
}

TEST (KeyboardStateHandOver, EditorsOpenAndCloseWhileBlocksRun)
{
    WarbleProcessor processor;
    auto frame = juce::Image (juce::Image::ARGB, 500, 280, true, juce::SoftwareImageType());

    AudioThread audio (processor);
    audio.waitForBlocks (1);

    for (int i = 0; i < 300; ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
        auto* warbleEditor = dynamic_cast<WarbleEditor*> (editor.get());
        ASSERT_NE (warbleEditor, nullptr);
        ASSERT_EQ (processor.keyboardState.load(), &WarbleEditorTestAccess::keyboardState (*warbleEditor));

        // Let blocks pass MIDI through the lent state, and let the pad read the published values
        // while the audio thread writes them, as its timer and repaints would.
        auto& pad = WarbleEditorTestAccess::pad (*warbleEditor);
        audio.waitForBlocks (2);
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

    audio.waitForBlocks (1);
}
