#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <memory>

namespace warble::test
{
    /** A bundle loaded as a DAW loads it: the format that matches the bundle's extension, the
        description its scan gives and instances made from it. The format lives as long as the
        loader, as JUCE's LV2 hosting needs. */
    class PluginBundleLoader
    {
    public:
        explicit PluginBundleLoader (const juce::File& bundleToLoad)
            : bundle (bundleToLoad)
        {
            if (bundle.hasFileExtension ("lv2"))
                format = std::make_unique<juce::LV2PluginFormat>();
            else
                format = std::make_unique<juce::VST3PluginFormat>();

            juce::OwnedArray<juce::PluginDescription> found;
            format->findAllTypesForFile (found, bundle.getFullPathName());

            if (found.size() == 1)
                description = *found[0];
        }

        /** True when the scan found exactly one plug-in in the bundle. */
        bool foundPlugin() const
        {
            return description.fileOrIdentifier.isNotEmpty();
        }

        /** Why nothing was found, for a failing test's message. JUCE's LV2 hosting reads the
            installed LV2 plug-ins first, and of two bundles with the same URI only the first counts. */
        juce::String describeFailure() const
        {
            auto message = "no single plug-in found in " + bundle.getFullPathName();

            if (bundle.hasFileExtension ("lv2"))
                message << "; is another Warble.lv2 installed in ~/.lv2, /usr/lib/lv2 or /usr/local/lib/lv2?";

            return message;
        }

        std::unique_ptr<juce::AudioPluginInstance> createInstance (double sampleRate = 48000.0, int blockSize = 512) const
        {
            juce::String error;
            auto instance = format->createInstanceFromDescription (description, sampleRate, blockSize, error);
            EXPECT_NE (instance, nullptr) << error;
            return instance;
        }

        const juce::PluginDescription& getDescription() const noexcept
        {
            return description;
        }

    private:
        juce::File bundle;
        std::unique_ptr<juce::AudioPluginFormat> format;
        juce::PluginDescription description;
    };

    /** The peak of a stereo render that starts with the given MIDI; every sample must be finite. */
    inline float renderPeak (juce::AudioPluginInstance& instance, int numBlocks, int blockSize,
                             const juce::MidiBuffer& firstBlockMidi)
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        auto peak = 0.0f;

        for (int i = 0; i < numBlocks; ++i)
        {
            juce::MidiBuffer midi;

            if (i == 0)
                midi = firstBlockMidi;

            buffer.clear();
            instance.processBlock (buffer, midi);

            for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                for (int s = 0; s < blockSize; ++s)
                {
                    const auto sample = buffer.getSample (ch, s);
                    EXPECT_TRUE (std::isfinite (sample));
                    peak = std::max (peak, std::abs (sample));
                }
        }

        return peak;
    }

    /** A bundle that loads, makes an instance with a stereo output and sounds when played. */
    inline void expectBundlePlays (const juce::File& bundle)
    {
        SCOPED_TRACE (bundle.getFullPathName().toStdString());
        const PluginBundleLoader loader (bundle);
        ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
        EXPECT_EQ (loader.getDescription().name, "Warble");

        const auto instance = loader.createInstance();
        ASSERT_NE (instance, nullptr);
        EXPECT_EQ (instance->getMainBusNumOutputChannels(), 2);
        instance->prepareToPlay (48000.0, 512);

        juce::MidiBuffer note;
        note.addEvent (juce::MidiMessage::noteOn (1, 64, (juce::uint8) 100), 0);
        EXPECT_GT (renderPeak (*instance, 20, 512, note), 0.01f);
        instance->releaseResources();
    }

    /** Prepares an instance in 256-sample blocks: silent until a note plays, then sounding at a
        sane level. */
    inline void expectSilentUntilPlayed (juce::AudioPluginInstance& instance, double rate)
    {
        instance.prepareToPlay (rate, 256);

        EXPECT_EQ (renderPeak (instance, 40, 256, {}), 0.0f);

        juce::MidiBuffer note;
        note.addEvent (juce::MidiMessage::noteOn (1, 69, (juce::uint8) 110), 17);
        note.addEvent (juce::MidiMessage::controllerEvent (1, 1, 100), 30);
        const auto peak = renderPeak (instance, 40, 256, note);
        EXPECT_GT (peak, 0.01f);
        EXPECT_LT (peak, 1.5f);

        instance.releaseResources();
    }
}
