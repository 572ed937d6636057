#pragma once

#include "plugin/WarbleProcessor.h"

#include <atomic>
#include <chrono>
#include <thread>

/** A host's audio thread: plays notes and wheel moves into the processor, block after block, until
    destroyed. Each block runs under the processor's callback lock, as JUCE's plug-in wrappers run
    it. Given a parameter, it also moves that one at the start of every block, as a host's
    automation reaches the plug-in through the VST3 wrapper, on the audio thread. */
class AudioThread
{
public:
    explicit AudioThread (WarbleProcessor& p, juce::RangedAudioParameter* automatedParameter = nullptr)
        : processor (p), automated (automatedParameter)
    {
        processor.prepareToPlay (48000.0, blockSize);
        thread = std::thread ([this] { run(); });
    }

    ~AudioThread()
    {
        running.store (false);
        thread.join();
    }

    /** Returns true once at least `count` further blocks have been processed, or false if they
        have not within a generous deadline (a block that never ends, a thread that waits). */
    [[nodiscard]] bool waitForBlocks (int count) const
    {
        const auto target = blocksDone.load() + count;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (30);

        while (blocksDone.load() < target)
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;

            std::this_thread::yield();
        }

        return true;
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
            if (automated != nullptr)
                automated->setValueNotifyingHost ((float) (step % 17) / 16.0f);

            const auto note = 48 + step % 24;
            midi.clear();
            midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100), 0);
            midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, step % 128), 8);

            if (step % 3 == 0)
                midi.addEvent (juce::MidiMessage::noteOff (1, note), 40);

            {
                const juce::ScopedLock lock (processor.getCallbackLock());
                processor.processBlock (buffer, midi);
            }

            ++step;
            blocksDone.fetch_add (1);
        }
    }

    static constexpr int blockSize = 64;

    WarbleProcessor& processor;
    juce::RangedAudioParameter* const automated;
    std::atomic<bool> running { true };
    std::atomic<int> blocksDone { 0 };
    std::thread thread;
};
