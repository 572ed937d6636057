#pragma once

#include "ReverbIdleTracker.h"
#include "Voice.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>

/** The instrument's audio processor: one per plug-in instance, driven by the host through JUCE's
    VST3 wrapper. It owns the nine parameters, the eight-voice engine, the reverb and the values it
    publishes for the editor's display. */
class WarbleProcessor : public juce::AudioProcessor
{
public:
    WarbleProcessor();
    ~WarbleProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double newSampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    /** Frequency in hertz of a MIDI note, in equal temperament with A4 = 440 Hz. */
    static float noteToFrequency (int note) noexcept;

    /** The reverb's settings for a value of the reverb parameter: a larger room, more wet and
        less dry signal as it rises. */
    static juce::Reverb::Parameters reverbSettingsFor (float reverbAmount) noexcept;

    /** Lends the editor's keyboard state to the audio thread. Message thread only. */
    void lendKeyboardState (juce::MidiKeyboardState& state) noexcept;

    /** Takes the lent keyboard state back. When this returns, no block is using it any more, so
        its owner may destroy it. Message thread only; it may wait for a block to finish with the
        state, but the audio thread never waits for it. */
    void withdrawKeyboardState() noexcept;

    juce::AudioProcessorValueTreeState parameters;

    // Published for the display: written only by the audio thread.
    std::atomic<float> modWheel { 0.0f };
    std::atomic<int> lastNote { -1 };
    std::atomic<int> activeVoiceCount { 0 };

    // The editor's keyboard state while an editor is open, else null. Not owned.
    std::atomic<juce::MidiKeyboardState*> keyboardState { nullptr };

    static constexpr int numVoices = 8;

    /** Sample rates outside this range are refused; the last good rate stays in use. Below it the
        reverb's shortest delay lines would be empty; above it (past the highest rate audio
        hardware offers) the reverb's delay-length arithmetic overflows. */
    static constexpr double minimumSampleRate = 1000.0;
    static constexpr double maximumSampleRate = 768000.0;

private:
    friend struct WarbleProcessorTestAccess;

    struct BlockSettings;
    struct VoiceChunk;
    struct CutoffCache;

    void handleMidiEvent (const juce::uint8* data, int numBytes, bool legatoOn);
    void startNote (int note, juce::uint8 velocityByte, bool legatoOn);
    Voice& chooseVoice() noexcept;
    void releaseNote (int note);
    void releaseAllVoices();
    std::bitset<numVoices> activeVoices() const noexcept;
    void renderVoices (juce::AudioBuffer<float>& buffer, const BlockSettings& settings, CutoffCache& cutoff,
                       int startSample, int endSample);
    void computeSharedValues (VoiceChunk& chunk, const BlockSettings& settings, float wheelTarget, CutoffCache& cutoff) noexcept;
    void advanceEnvelopesAndPitch (VoiceChunk& chunk, const BlockSettings& settings) noexcept;
    void advanceGains (VoiceChunk& chunk, const BlockSettings& settings) noexcept;
    void computeOscillators (VoiceChunk& chunk, const BlockSettings& settings) noexcept;
    void filterAndShape (const VoiceChunk& chunk, const BlockSettings& settings, juce::AudioBuffer<float>& buffer) noexcept;
    void applyReverb (juce::AudioBuffer<float>& buffer, float reverbAmount, bool voicesSounded);

    // Set while a block may be using the lent keyboard state.
    std::atomic<bool> keyboardStateInUse { false };

    std::array<Voice, numVoices> voices {};
    std::uint64_t voicesStarted = 0;
    double sampleRate = 44100.0;
    juce::Random random;
    float modWheelSmoothed = 0.0f;
    juce::dsp::Reverb reverbProcessor;
    juce::Reverb::Parameters reverbParameters;
    ReverbIdleTracker reverbIdle { sampleRate };

    /** One parameter as the audio thread reads it: its live value, looked up by identifier once,
        and the default that stands in for a value a host made NaN. */
    struct ParameterReading
    {
        std::atomic<float>* value = nullptr;
        float fallback = 0.0f;

        float load() const noexcept;
    };

    struct ParameterReadings
    {
        ParameterReading waveBlend, glideTime, vibratoRate, filterBase, filterMod, resonance, volume, reverb, legato;
    };

    ParameterReadings readings;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WarbleProcessor)
};
