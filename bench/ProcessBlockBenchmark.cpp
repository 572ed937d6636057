#include "BenchSupport.h"

#include "plugin/WarbleProcessor.h"

namespace
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;

    // Default parameters with the wheel fully up, so vibrato and the filter sweep are at work,
    // and the given number of notes held. Stereo is the instrument's normal output; with three
    // channels the engine skips the reverb, which shows what the reverb costs.
    void processBlock (benchmark::State& state)
    {
        const auto numNotes = (int) state.range (0);
        const auto numChannels = (int) state.range (1);

        WarbleProcessor processor;
        processor.prepareToPlay (sampleRate, blockSize);

        juce::AudioBuffer<float> buffer (numChannels, blockSize);
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, 127), 0);

        for (int i = 0; i < numNotes; ++i)
            midi.addEvent (juce::MidiMessage::noteOn (1, 48 + 3 * i, (juce::uint8) 100), 0);

        processor.processBlock (buffer, midi);
        midi.clear();

        // One second to let the attacks, the glide and the wheel smoothing settle.
        for (int i = 0; i < (int) sampleRate / blockSize; ++i)
            processor.processBlock (buffer, midi);

        for (auto _ : state)
        {
            processor.processBlock (buffer, midi);
            benchmark::DoNotOptimize (buffer.getWritePointer (0));
            benchmark::ClobberMemory();
        }

        if (processor.activeVoiceCount.load() != numNotes)
            state.SkipWithError ("the notes did not all sound");

        BenchSupport::reportPerSample (state, blockSize, sampleRate);
    }

    // No voice, after a note has been played and released and its reverb tail has had thirty
    // seconds to die away, at a reverb level given in hundredths.
    void processBlockIdleAfterRelease (benchmark::State& state)
    {
        WarbleProcessor processor;
        processor.prepareToPlay (sampleRate, blockSize);

        auto* reverb = processor.parameters.getParameter ("reverb");
        reverb->setValueNotifyingHost (reverb->convertTo0to1 ((float) state.range (0) / 100.0f));

        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);

        for (int i = 0; i < (int) sampleRate / blockSize; ++i)
        {
            processor.processBlock (buffer, midi);
            midi.clear();
        }

        midi.addEvent (juce::MidiMessage::noteOff (1, 60), 0);

        for (int i = 0; i < 30 * (int) sampleRate / blockSize; ++i)
        {
            processor.processBlock (buffer, midi);
            midi.clear();
        }

        for (auto _ : state)
        {
            processor.processBlock (buffer, midi);
            benchmark::DoNotOptimize (buffer.getWritePointer (0));
            benchmark::ClobberMemory();
        }

        if (processor.activeVoiceCount.load() != 0)
            state.SkipWithError ("the note did not end");

        BenchSupport::reportPerSample (state, blockSize, sampleRate);
    }
}

BENCHMARK (processBlock)
    ->ArgNames ({ "voices", "channels" })
    ->Args ({ 0, 2 })
    ->Args ({ 1, 2 })
    ->Args ({ 8, 2 })
    ->Args ({ 0, 3 })
    ->Args ({ 8, 3 });

BENCHMARK (processBlockIdleAfterRelease)
    ->ArgName ("reverbPercent")
    ->Arg (35)
    ->Arg (100);
