#include "EngineTestSupport.h"
#include "presets/FactoryPresetBank.h"
#include "support/BankSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

// The factory presets' sound: one phrase rendered through every preset, its level against the
// bank's median and full scale, its brightness and loudness against the other presets', its peak
// against the defaults', and the spectra of two presets that must not sound alike. Rendered
// through the processor the plug-ins are built from, with its random generator seeded: the
// vibrato's start phase is then the same in every run, and so is every figure.
namespace
{
    using warble::test::BankPhrase;
    using warble::test::BankSound;

    // Any seed gives a fixed phase; this one is the tests' choice, not the instrument's.
    constexpr juce::int64 vibratoSeed = 17;

    /** The phrase in stereo at 48 kHz, in blocks of 512 with each event at its nearest sample, as
        a host plays it: from a preset (its values set through the processor's parameters after
        it is prepared) or, with none, the defaults. */
    BankSound renderPhrase (const FactoryPresetBank::Preset* preset)
    {
        WarbleProcessor processor;
        WarbleProcessorTestAccess::random (processor).setSeed (vibratoSeed);
        processor.setNonRealtime (true);
        processor.prepareToPlay (BankPhrase::sampleRate, BankPhrase::blockSize);

        if (preset != nullptr)
            for (const auto& value : preset->values)
                EngineTest::setParameter (processor, value.parameterId.toRawUTF8(), (float) value.value);

        const auto midi = BankPhrase::midi();
        const auto numSamples = (int) std::llround (BankPhrase::length * BankPhrase::sampleRate);
        juce::AudioBuffer<float> take (2, numSamples);
        juce::MidiBuffer events;
        int nextEvent = 0;

        for (int start = 0; start < numSamples; start += BankPhrase::blockSize)
        {
            const auto length = std::min (BankPhrase::blockSize, numSamples - start);
            events.clear();

            for (; nextEvent < midi.getNumEvents(); ++nextEvent)
            {
                const auto& message = midi.getEventPointer (nextEvent)->message;
                const auto position = (int) std::llround (message.getTimeStamp() * BankPhrase::sampleRate);

                if (position >= start + length)
                    break;

                events.addEvent (message, position - start);
            }

            juce::AudioBuffer<float> block (take.getArrayOfWritePointers(), 2, start, length);
            block.clear();
            processor.processBlock (block, events);
        }

        processor.releaseResources();
        return warble::test::listenTo (take);
    }

    /** Every preset's sound of the phrase, rendered once for the tests that compare them. */
    const std::map<juce::String, BankSound>& bankSounds()
    {
        static const auto sounds = []
        {
            std::map<juce::String, BankSound> rendered;

            for (const auto& preset : FactoryPresetBank::getInstance().getPresets())
                rendered[preset.name] = renderPhrase (&preset);

            return rendered;
        }();

        return sounds;
    }
}

TEST (FactoryPresetBank, EveryPresetSitsWithinThreeDecibelsOfTheMedianAndNonePeaksAboveFullScale)
{
    using warble::test::decibels;
    const auto& sounds = bankSounds();
    ASSERT_FALSE (sounds.empty());
    std::vector<double> levels;

    for (const auto& [name, sound] : sounds)
        levels.push_back (decibels (sound.rms));

    std::sort (levels.begin(), levels.end());
    const auto middle = levels.size() / 2;
    const auto median = levels.size() % 2 == 1 ? levels[middle] : 0.5 * (levels[middle - 1] + levels[middle]);

    juce::String figures;
    figures << "median RMS " << juce::String (median, 2) << " dBFS\n";

    for (const auto& [name, sound] : sounds)
        figures << name << ": RMS " << juce::String (decibels (sound.rms), 2) << " dBFS ("
                << juce::String (decibels (sound.rms) - median, 2) << " dB), peak "
                << juce::String (decibels (sound.peak), 2) << " dBFS, centroid "
                << juce::roundToInt (sound.centroidHz) << " Hz\n";

    RecordProperty ("figures", figures.toStdString());

    for (const auto& [name, sound] : sounds)
    {
        EXPECT_NEAR (decibels (sound.rms), median, 3.0) << name << " strays from the bank's median RMS of " << median << " dBFS";
        EXPECT_LE (sound.peak, 1.0f) << name << " peaks at " << decibels (sound.peak) << " dBFS";
    }
}

TEST (FactoryPresetBank, NoTwoPresetsSoundAlikeAndNoneClipsHarderThanTheDefaults)
{
    const auto defaults = renderPhrase (nullptr);
    ASSERT_GT (defaults.rms, 0.01);

    const auto& sounds = bankSounds();

    for (const auto& [name, sound] : sounds)
    {
        // The soft clipper bounds the dry sound; a preset that drove it harder than the defaults
        // would come out hotter. The margin allows for the vibrato's phase, which a seed other
        // than this one would move.
        EXPECT_LE (sound.peak, defaults.peak * 1.02f) << name << " peaks above the defaults' " << defaults.peak;
        EXPECT_GT (sound.rms, 0.01) << name << " is all but silent";
    }

    // Two renders count as alike when their brightness and their loudness are both within 10 %.
    const auto apart = [] (double a, double b) { return std::abs (std::log (a / b)) > std::log (1.1); };

    for (auto first = sounds.begin(); first != sounds.end(); ++first)
        for (auto second = std::next (first); second != sounds.end(); ++second)
            EXPECT_TRUE (apart (first->second.centroidHz, second->second.centroidHz) || apart (first->second.rms, second->second.rms))
                << first->first << " and " << second->first << " render the phrase alike: centroids "
                << first->second.centroidHz << " and " << second->second.centroidHz << " Hz, RMS "
                << first->second.rms << " and " << second->second.rms;
}

TEST (FactoryPresetBank, GlassPadAndDryKeysDifferInSpectrumAtTheSameLevel)
{
    using warble::test::bandCentreHz;
    const auto& pad = bankSounds().at ("Glass Pad");
    const auto& keys = bankSounds().at ("Dry Keys");
    double widest = 0.0;
    int widestBand = 0;
    juce::String differences;

    for (int band = 0; band < warble::test::numBands; ++band)
    {
        // A band that either sound all but leaves empty would differ by any amount at all.
        const auto padShare = pad.bandShares[(size_t) band];
        const auto keysShare = keys.bandShares[(size_t) band];

        if (padShare < 1.0e-5 || keysShare < 1.0e-5)
            continue;

        const auto difference = 10.0 * std::log10 (padShare / keysShare);
        differences << juce::roundToInt (bandCentreHz (band)) << " Hz: " << juce::String (difference, 1) << " dB\n";

        if (std::abs (difference) > widest)
        {
            widest = std::abs (difference);
            widestBand = band;
        }
    }

    RecordProperty ("Glass Pad against Dry Keys", differences.toStdString());
    RecordProperty ("widest difference", (juce::String (widest, 1) + " dB at " + juce::String (juce::roundToInt (bandCentreHz (widestBand))) + " Hz").toStdString());
    EXPECT_GT (widest, 3.0) << "Glass Pad and Dry Keys differ by at most " << widest << " dB in any third-octave band";
}
