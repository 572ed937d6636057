// The ways hosts touch a running instance from their own threads, each while the audio thread
// processes blocks: parameters moved by another thread, state saved and restored, and editors
// opened and closed. The processor is driven in-process, as JUCE's wrappers drive it (see
// AudioThread); run under ThreadSanitizer, any unsynchronised access fails the test.

#include "AudioThread.h"

#include "support/StateBlocks.h"
#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stop_token>
#include <thread>
#include <vector>

// JUCE's own step of its message loop.
namespace juce::detail
{
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
    using Values = std::vector<float>;

    // Two complete sets of real values, in the processor's parameter order; every parameter
    // differs between them.
    const Values valuesA { 0.6f, 250.0f, 7.5f, 0.8f, 0.2f, 0.6f, 0.5f, 0.75f, 1.0f };
    const Values valuesB { 0.05f, 20.0f, 3.0f, 0.2f, 0.9f, 0.1f, 0.9f, 0.1f, 0.0f };

    constexpr size_t reverbIndex = 7;

    std::vector<juce::RangedAudioParameter*> parametersOf (WarbleProcessor& processor)
    {
        std::vector<juce::RangedAudioParameter*> result;

        for (auto* param : processor.getParameters())
            result.push_back (dynamic_cast<juce::RangedAudioParameter*> (param));

        return result;
    }

    // Moves every parameter but `skipped` to its value in `values`, each as a host's edit: a
    // gesture around a change that is reported back to the host.
    void moveParameters (WarbleProcessor& processor, const Values& values, size_t skipped)
    {
        const auto params = parametersOf (processor);

        for (size_t i = 0; i < params.size(); ++i)
        {
            if (i == skipped)
                continue;

            params[i]->beginChangeGesture();
            params[i]->setValueNotifyingHost (params[i]->convertTo0to1 (values[i]));
            params[i]->endChangeGesture();
        }
    }

    // A state block as the instrument writes it, holding `values`.
    juce::MemoryBlock stateHolding (const Values& values)
    {
        WarbleProcessor source;
        moveParameters (source, values, values.size());
        juce::MemoryBlock block;
        source.getStateInformation (block);
        return block;
    }

    // The values a state block holds, in the processor's parameter order; empty if the block
    // cannot be read or lacks a parameter.
    Values valuesIn (const juce::MemoryBlock& block)
    {
        const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());

        if (xml == nullptr)
            return {};

        static const auto parameterIDs = []
        {
            WarbleProcessor reference;
            juce::StringArray ids;

            for (const auto* param : parametersOf (reference))
                ids.add (param->getParameterID());

            return ids;
        }();

        std::map<juce::String, float> byID;

        for (const auto* child : xml->getChildWithTagNameIterator ("PARAM"))
            byID[child->getStringAttribute ("id")] = (float) child->getDoubleAttribute ("value");

        Values values;

        for (const auto& id : parameterIDs)
        {
            const auto found = byID.find (id);

            if (found == byID.end())
                return {};

            values.push_back (found->second);
        }

        return values;
    }

    bool sameValues (const Values& a, const Values& b)
    {
        if (a.size() != b.size())
            return false;

        for (size_t i = 0; i < a.size(); ++i)
            if (std::abs (a[i] - b[i]) > 1.0e-4f * std::max (1.0f, std::abs (b[i])))
                return false;

        return true;
    }

    // What the editor's eight knobs and its legato switch show, in the parameters' order.
    Values editorValues (WarbleEditor& editor)
    {
        Values values;

        for (size_t i = 0; i < WarbleEditor::numKnobs; ++i)
            values.push_back ((float) WarbleEditorTestAccess::knob (editor, i).getValue());

        values.push_back (WarbleEditorTestAccess::legatoButton (editor).getToggleState() ? 1.0f : 0.0f);
        return values;
    }

    // Runs the message loop (the attachments' updates, the timers) until `done` holds; false if it
    // does not within a generous deadline.
    template <typename Condition>
    bool runMessagesUntil (Condition done)
    {
        const auto deadline = juce::Time::getMillisecondCounterHiRes() + 30000.0;

        while (! done())
        {
            if (juce::Time::getMillisecondCounterHiRes() > deadline)
                return false;

            if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
                juce::Thread::sleep (1);
        }

        return true;
    }

    void deliverPendingMessages()
    {
        for (int i = 0; i < 100 && juce::detail::dispatchNextMessageOnSystemQueue (true); ++i)
        {
        }
    }

    std::unique_ptr<WarbleEditor> openEditor (WarbleProcessor& processor)
    {
        return std::unique_ptr<WarbleEditor> (dynamic_cast<WarbleEditor*> (processor.createEditorIfNeeded()));
    }

    // Closes an editor as the plug-in wrappers close it.
    void closeEditor (WarbleProcessor& processor, std::unique_ptr<WarbleEditor>& editor)
    {
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }
}

// A host thread moves eight parameters back and forth while the audio thread automates the ninth
// and the message thread runs the open editor. Once they stop, the editor and the saved state
// show exactly the parameters' values: no change from either thread is lost on the way.
TEST (HostThreads, ParameterChangesFromOtherThreadsReachTheEditorAndTheState)
{
    WarbleProcessor processor;
    const auto params = parametersOf (processor);
    auto editor = openEditor (processor);
    ASSERT_NE (editor, nullptr);

    constexpr int rounds = 400;
    std::atomic<bool> hostDone { false };

    {
        AudioThread audio (processor, params[reverbIndex]);
        ASSERT_TRUE (audio.waitForBlocks (1));

        std::jthread host ([&]
        {
            for (int i = 0; i < rounds; ++i)
                moveParameters (processor, i % 2 == 0 ? valuesA : valuesB, reverbIndex);

            hostDone.store (true);
        });

        auto frame = juce::Image (juce::Image::ARGB, WarbleEditor::windowWidth, WarbleEditor::windowHeight,
                                  true, juce::SoftwareImageType());

        const auto finished = runMessagesUntil ([&]
        {
            juce::Graphics g (frame);
            editor->paintEntireComponent (g, true);
            return hostDone.load();
        });

        host.join();
        ASSERT_TRUE (finished);
        ASSERT_TRUE (audio.waitForBlocks (2));
    }

    auto expected = rounds % 2 == 0 ? valuesB : valuesA;
    expected[reverbIndex] = params[reverbIndex]->convertFrom0to1 (params[reverbIndex]->getValue());
    EXPECT_TRUE (sameValues (warble::test::allValues (processor), expected));

    EXPECT_TRUE (runMessagesUntil ([&] { return sameValues (editorValues (*editor), expected); }))
        << "the editor shows values that are not the parameters'";

    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    EXPECT_TRUE (sameValues (valuesIn (saved), expected));

    closeEditor (processor, editor);
}

// The message thread restores one state after another, and saves right after each, while a host
// thread keeps saving too (as a host's autosave does) and the audio thread plays. Each save on the
// message thread holds the state just restored, and every save from the other thread holds one
// whole state, never parts of two.
TEST (HostThreads, StateSavedAndRestoredWhileBlocksRun)
{
    const auto stateA = stateHolding (valuesA);
    const auto stateB = stateHolding (valuesB);
    ASSERT_TRUE (sameValues (valuesIn (stateA), valuesA));
    ASSERT_TRUE (sameValues (valuesIn (stateB), valuesB));

    WarbleProcessor processor;
    processor.setStateInformation (stateB.getData(), (int) stateB.getSize());
    auto editor = openEditor (processor);
    ASSERT_NE (editor, nullptr);

    std::vector<juce::MemoryBlock> autosaves;

    {
        AudioThread audio (processor);
        ASSERT_TRUE (audio.waitForBlocks (1));

        std::jthread autosave ([&] (std::stop_token stop)
        {
            while (! stop.stop_requested())
            {
                juce::MemoryBlock block;
                processor.getStateInformation (block);
                autosaves.push_back (std::move (block));
                std::this_thread::yield();
            }
        });

        for (int i = 0; i < 200; ++i)
        {
            const auto& values = i % 2 == 0 ? valuesA : valuesB;
            const auto& state = i % 2 == 0 ? stateA : stateB;

            processor.setStateInformation (state.getData(), (int) state.getSize());

            juce::MemoryBlock saved;
            processor.getStateInformation (saved);
            ASSERT_TRUE (sameValues (valuesIn (saved), values)) << "restore " << i;

            deliverPendingMessages();
        }

        autosave.request_stop();
        autosave.join();
        ASSERT_TRUE (audio.waitForBlocks (2));
    }

    ASSERT_FALSE (autosaves.empty());
    const auto isWholeState = [] (const juce::MemoryBlock& block)
    {
        const auto values = valuesIn (block);
        return sameValues (values, valuesA) || sameValues (values, valuesB);
    };
    EXPECT_TRUE (std::all_of (autosaves.begin(), autosaves.end(), isWholeState))
        << std::count_if (autosaves.begin(), autosaves.end(), isWholeState) << " of " << autosaves.size()
        << " saves hold one whole state";

    EXPECT_TRUE (runMessagesUntil ([&] { return sameValues (editorValues (*editor), valuesB); }))
        << "the editor does not show the state restored last";

    closeEditor (processor, editor);
}

// Editors opened and closed over and over while every other thread is busy: a host thread moving
// parameters, the audio thread automating one and playing through the editor's keyboard state,
// and the message thread restoring a state into each open editor and running its timers.
TEST (HostThreads, EditorsOpenAndCloseWhileParametersAndStateChange)
{
    const auto stateA = stateHolding (valuesA);

    WarbleProcessor processor;
    const auto params = parametersOf (processor);

    AudioThread audio (processor, params[reverbIndex]);
    ASSERT_TRUE (audio.waitForBlocks (1));

    std::jthread host ([&] (std::stop_token stop)
    {
        for (int i = 0; ! stop.stop_requested(); ++i)
            moveParameters (processor, i % 2 == 0 ? valuesA : valuesB, reverbIndex);
    });

    for (int i = 0; i < 150; ++i)
    {
        auto editor = openEditor (processor);
        ASSERT_NE (editor, nullptr);
        ASSERT_EQ (processor.keyboardState.load(), &WarbleEditorTestAccess::keyboardState (*editor));

        if (i % 3 == 0)
            processor.setStateInformation (stateA.getData(), (int) stateA.getSize());

        ASSERT_TRUE (audio.waitForBlocks (1));
        deliverPendingMessages();
        XYPadDisplayTestAccess::tick (WarbleEditorTestAccess::pad (*editor));

        closeEditor (processor, editor);
        ASSERT_EQ (processor.keyboardState.load(), nullptr);
    }

    host.request_stop();
    host.join();
    ASSERT_TRUE (audio.waitForBlocks (1));
}
