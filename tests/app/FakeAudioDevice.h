#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

namespace warble::test
{
    /** A stereo output that exists only for a test, which calls the callback itself: the
        application's audio path without a sound card. */
    class FakeAudioDevice : public juce::AudioIODevice
    {
    public:
        FakeAudioDevice (double rate, int blockSize)
            : juce::AudioIODevice ("Test output", "Test"), sampleRate (rate), bufferSize (blockSize) {}

        juce::StringArray getOutputChannelNames() override           { return { "Left", "Right" }; }
        juce::StringArray getInputChannelNames() override            { return {}; }
        juce::Array<double> getAvailableSampleRates() override       { return { sampleRate }; }
        juce::Array<int> getAvailableBufferSizes() override          { return { bufferSize }; }
        int getDefaultBufferSize() override                          { return bufferSize; }
        juce::String open (const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
        void close() override                                        {}
        bool isOpen() override                                       { return true; }
        void start (juce::AudioIODeviceCallback*) override           {}
        void stop() override                                         {}
        bool isPlaying() override                                    { return true; }
        juce::String getLastError() override                         { return {}; }
        int getCurrentBufferSizeSamples() override                   { return bufferSize; }
        double getCurrentSampleRate() override                       { return sampleRate; }
        int getCurrentBitDepth() override                            { return 32; }
        juce::BigInteger getActiveOutputChannels() const override    { return juce::BigInteger (3); }
        juce::BigInteger getActiveInputChannels() const override     { return {}; }
        int getOutputLatencyInSamples() override                     { return 0; }
        int getInputLatencyInSamples() override                      { return 0; }

    private:
        double sampleRate;
        int bufferSize;
    };
}
