#include "EngineTestSupport.h"
#include "RealtimeCallCounter.h"
#include "standalone/audio/SafetyLimiter.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

// Everything the audio thread shares with the message thread is a lock-free atomic: the
// published display state, the parameter values and the keyboard-state hand-over.
static_assert (std::atomic<float>::is_always_lock_free);
static_assert (std::atomic<int>::is_always_lock_free);
static_assert (std::atomic<bool>::is_always_lock_free);
static_assert (decltype (WarbleProcessor::keyboardState)::is_always_lock_free);

namespace
{
    using RealtimeCallCounter::Counts;
    using RealtimeCallCounter::ScopedCounting;

    constexpr int maxBlockSize = 1024;

    /** Dense MIDI of every kind the engine meets: notes that stay down across blocks, the
        modulation wheel, the ending controllers, pitch bend, other channel messages and,
        optionally, system-exclusive messages from 1 to 3000 bytes. */
    class DenseMidi
    {
    public:
        DenseMidi (juce::int64 seed, bool withSysEx) : random (seed), sysEx (withSysEx) {}

        void fill (juce::MidiBuffer& midi, int blockSize)
        {
            midi.clear();
            const auto position = [this, blockSize] { return random.nextInt (std::max (blockSize, 1)); };

            for (int i = random.nextInt (24); --i >= 0;)
            {
                const auto channel = 1 + random.nextInt (16);

                switch (random.nextInt (sysEx ? 9 : 8))
                {
                    case 0:
                    case 1:  midi.addEvent (juce::MidiMessage::noteOn (channel, random.nextInt (128), (juce::uint8) random.nextInt (128)), position()); break;
                    case 2:  midi.addEvent (juce::MidiMessage::noteOff (channel, random.nextInt (128)), position()); break;
                    case 3:
                    case 4:  midi.addEvent (juce::MidiMessage::controllerEvent (channel, 1, random.nextInt (128)), position()); break;
                    case 5:  midi.addEvent (juce::MidiMessage::controllerEvent (channel, random.nextBool() ? 120 : 123, 0), position()); break;
                    case 6:  midi.addEvent (juce::MidiMessage::pitchWheel (channel, random.nextInt (16384)), position()); break;
                    case 7:  midi.addEvent (juce::MidiMessage::channelPressureChange (channel, random.nextInt (128)), position()); break;
                    default: addSysEx (midi, position()); break;
                }
            }
        }

    private:
        void addSysEx (juce::MidiBuffer& midi, int position)
        {
            static constexpr int lengths[] { 1, 3, 6, 7, 8, 9, 64, 300, 3000 };
            std::vector<juce::uint8> payload ((size_t) lengths[random.nextInt ((int) std::size (lengths))]);

            for (auto& byte : payload)
                byte = (juce::uint8) random.nextInt (128);

            midi.addEvent (juce::MidiMessage::createSysExMessage (payload.data(), (int) payload.size()), position);
        }

        juce::Random random;
        bool sysEx;
    };

    void setRandomParameter (WarbleProcessor& processor, juce::Random& random)
    {
        const auto& parameters = processor.getParameters();
        parameters[random.nextInt (parameters.size())]->setValueNotifyingHost (random.nextFloat());
    }

    /** Renders blocks of random sizes (some empty) with dense MIDI and parameter changes made
        between the blocks, counting only inside processBlock. Returns the number of blocks. */
    int renderCounted (WarbleProcessor& processor, DenseMidi& source, int numBlocks, juce::int64 seed,
                       const std::function<void (int)>& betweenBlocks = {})
    {
        juce::Random random (seed);
        juce::AudioBuffer<float> buffer (2, maxBlockSize);
        juce::MidiBuffer midi;
        midi.ensureSize (1 << 16);

        for (int block = 0; block < numBlocks; ++block)
        {
            const auto blockSize = random.nextInt (10) == 0 ? random.nextInt (2) : 1 + random.nextInt (maxBlockSize);
            buffer.setSize (2, blockSize, false, false, true);
            source.fill (midi, blockSize);

            for (int i = random.nextInt (3); --i >= 0;)
                setRandomParameter (processor, random);

            if (betweenBlocks)
                betweenBlocks (block);

            const ScopedCounting counting;
            processor.processBlock (buffer, midi);
        }

        return numBlocks;
    }

    /** Moves every parameter from a second thread, as host automation or the editor may do while
        a block is running. */
    class ParameterChurn
    {
    public:
        explicit ParameterChurn (WarbleProcessor& p)
            : thread ([this, &p]
                      {
                          juce::Random random (99);
                          while (! stop.load())
                          {
                              setRandomParameter (p, random);
                              std::this_thread::yield();
                          }
                      })
        {
        }

        ~ParameterChurn()
        {
            stop = true;
            thread.join();
        }

    private:
        std::atomic<bool> stop { false };
        std::thread thread;
    };

    class RealtimeSafety : public testing::Test
    {
    protected:
        void SetUp() override
        {
            processor.prepareToPlay (48000.0, maxBlockSize);
            RealtimeCallCounter::reset();
        }

        WarbleProcessor processor;
    };
}

TEST (RealtimeCallCounter, SeesAllocationsAndLocksOnlyOfTheCountingThread)
{
    RealtimeCallCounter::reset();
    std::mutex mutex;
    void* volatile kept = nullptr;

    std::thread other ([&kept]
                       {
                           kept = std::malloc (64);
                           std::free (kept);
                       });
    other.join();
    EXPECT_EQ (RealtimeCallCounter::totals(), Counts {});

    {
        const ScopedCounting counting;
        kept = ::operator new (32);
        ::operator delete (kept);
        juce::MemoryBlock block (1000);
        kept = block.getData();
        const std::scoped_lock lock (mutex);
    }

    EXPECT_EQ (RealtimeCallCounter::totals(), (Counts { 2, 2, 1 }));
}

TEST_F (RealtimeSafety, ProcessBlockNeitherAllocatesNorLocksUnderDenseMidiAndAutomation)
{
    DenseMidi source (1, true);
    const ParameterChurn churn (processor);

    renderCounted (processor, source, 6000, 2);

    EXPECT_EQ (RealtimeCallCounter::totals(), Counts {});
}

TEST_F (RealtimeSafety, LentKeyboardStateAllocatesNothingAndIsTheOnlyLock)
{
    juce::MidiKeyboardState keyboard;
    processor.lendKeyboardState (keyboard);

    DenseMidi source (3, false);
    const ParameterChurn churn (processor);

    // Notes played into the keyboard state are added to the block's MIDI by the audio thread.
    const auto blocks = renderCounted (processor, source, 4000, 4, [&keyboard] (int block)
    {
        if (block % 7 == 0)
            keyboard.noteOn (1 + block % 16, block % 128, 0.5f);
        if (block % 11 == 0)
            keyboard.noteOff (1 + block % 16, (block - 7) % 128, 0.0f);
    });

    processor.withdrawKeyboardState();

    // One lock per block: the keyboard state's own, inside processNextMidiBuffer.
    EXPECT_EQ (RealtimeCallCounter::totals(), (Counts { 0, 0, blocks }));
}

TEST_F (RealtimeSafety, KeyboardStateHandOverWhileProcessingAllocatesNothing)
{
    std::atomic<bool> stop { false };
    std::thread editorOpenAndClose ([this, &stop]
                                    {
                                        while (! stop.load())
                                        {
                                            juce::MidiKeyboardState keyboard;
                                            processor.lendKeyboardState (keyboard);
                                            std::this_thread::yield();
                                            processor.withdrawKeyboardState();
                                        }
                                    });

    DenseMidi source (5, false);
    const auto blocks = renderCounted (processor, source, 4000, 6);

    stop = true;
    editorOpenAndClose.join();

    const auto counts = RealtimeCallCounter::totals();
    EXPECT_EQ (counts.allocations, 0);
    EXPECT_EQ (counts.deallocations, 0);
    EXPECT_LE (counts.mutexLocks, blocks);
}

// A reverb tail that has died away is cleared on the audio thread.
TEST_F (RealtimeSafety, ClearingADeadReverbTailAllocatesNothing)
{
    EngineTest::setParameter (processor, "reverb", 0.02f);
    juce::AudioBuffer<float> buffer (2, 512);
    auto midi = EngineTest::makeMidi ({ EngineTest::noteOn (60) });
    processor.processBlock (buffer, midi);
    midi = EngineTest::makeMidi ({ EngineTest::noteOff (60) });

    {
        const ScopedCounting counting;

        for (int block = 0; block < 48000 * 10 / 512; ++block)
        {
            processor.processBlock (buffer, midi);
            midi.clear();
        }
    }

    EXPECT_TRUE (WarbleProcessorTestAccess::reverbIsSilent (processor));
    EXPECT_EQ (RealtimeCallCounter::totals(), Counts {});
}

// JUCE's keyboard state copies every event into a juce::MidiMessage, which allocates for a
// system-exclusive message longer than eight bytes. The engine's own MIDI handling does not.
TEST_F (RealtimeSafety, LongSysExAllocatesOnlyInsideALentKeyboardState)
{
    juce::uint8 payload[100] {};
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::createSysExMessage (payload, (int) std::size (payload)), 0);
    juce::AudioBuffer<float> buffer (2, 64);

    {
        const ScopedCounting counting;
        processor.processBlock (buffer, midi);
    }
    EXPECT_EQ (RealtimeCallCounter::totals().allocations, 0);

    juce::MidiKeyboardState keyboard;
    processor.lendKeyboardState (keyboard);
    {
        const ScopedCounting counting;
        processor.processBlock (buffer, midi);
    }
    processor.withdrawKeyboardState();

    EXPECT_GT (RealtimeCallCounter::totals().allocations, 0);
}

TEST (RealtimeCallCounter, TheApplicationsOutputLimiterAllocatesNothingAndTakesNoLock)
{
    SafetyLimiter limiter;
    limiter.prepare (48000.0, 2);
    std::vector<float> left (512), right (512);
    float* channels[] = { left.data(), right.data() };
    RealtimeCallCounter::reset();

    for (int block = 0; block < 200; ++block)
    {
        for (size_t i = 0; i < left.size(); ++i)
            left[i] = right[i] = 3.0f * std::sin (0.05f * (float) (i + (size_t) block * 512));

        const ScopedCounting counting;
        limiter.process (channels, 2, 512);
    }

    EXPECT_EQ (RealtimeCallCounter::totals(), Counts {});
}
