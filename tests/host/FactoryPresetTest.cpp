#include "host/PluginBundleLoader.h"
#include "presets/FactoryPresetBank.h"
#include "support/HostedPlayer.h"
#include "support/Phrase.h"
#include "support/ProgramRun.h"

#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

// The factory presets as each format's host meets them: the .vstpreset files made at build time
// loaded through JUCE's VST3 hosting (the VST3 SDK's preset reader), and the presets inside the
// built Warble.lv2 through its LV2 hosting and Debian's lv2info. Then the bank's sound: one
// phrase rendered through every preset, its level against the bank's median and full scale, its
// brightness and loudness against the other presets', its peak against the defaults', the glides
// that presets promise, and the spectra of two presets that must not sound alike.
namespace
{
    using Preset = FactoryPresetBank::Preset;

    const std::vector<Preset>& bank()
    {
        return FactoryPresetBank::getInstance().getPresets();
    }

    std::vector<juce::String> presetNames()
    {
        std::vector<juce::String> names;

        for (const auto& preset : bank())
            names.push_back (preset.name);

        return names;
    }

    const Preset& presetNamed (const juce::String& name)
    {
        return *FactoryPresetBank::getInstance().find (name);
    }

    /** Every parameter of the preset holds the preset's value, as the plug-in converts it. */
    void expectHoldsPreset (juce::AudioPluginInstance& instance, const Preset& preset)
    {
        const ParameterMap parameters (instance);

        for (const auto& value : preset.values)
        {
            float expected = 0.0f;
            ASSERT_TRUE (parameters.toNormalised (value.parameterId, value.value, expected).wasOk()) << value.parameterId;
            auto* parameter = parameters.find (value.parameterId);
            ASSERT_NE (parameter, nullptr) << value.parameterId;
            EXPECT_NEAR (parameter->getValue(), expected, 1.0e-6f)
                << value.parameterId << " should be " << value.value << ", is "
                << parameter->getText (parameter->getValue(), 100);
        }
    }

    /** Moves every parameter to the end of its range farthest from the preset's value and plays
        a block so that the plug-in has it, so that a value a loading leaves alone cannot pass for
        the preset's (a fresh instance already holds many of them as its defaults). */
    void moveAwayFrom (juce::AudioPluginInstance& instance, const Preset& preset)
    {
        const ParameterMap parameters (instance);
        std::map<juce::String, float> targets;

        for (const auto& value : preset.values)
        {
            auto& target = targets[value.parameterId];
            ASSERT_TRUE (parameters.toNormalised (value.parameterId, value.value, target).wasOk()) << value.parameterId;
            parameters.find (value.parameterId)->setValueNotifyingHost (target < 0.5f ? 1.0f : 0.0f);
        }

        warble::test::renderPeak (instance, 1, 512, {});
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

        for (const auto& [id, target] : targets)
            ASSERT_GE (std::abs (parameters.find (id)->getValue() - target), 0.25f) << id << " did not move";
    }

    class VST3PresetLoader : public juce::ExtensionsVisitor
    {
    public:
        explicit VST3PresetLoader (const juce::MemoryBlock& presetFile) : data (presetFile) {}

        void visitVST3Client (const VST3Client& client) override
        {
            loaded = client.setPreset (data);
        }

        const juce::MemoryBlock& data;
        bool loaded = false;
    };

    class FactoryPreset : public testing::TestWithParam<juce::String>
    {
    };
}

TEST (FactoryPresetBank, HoldsEightToTwelveNamedPresetsOfAllNineParameters)
{
    const auto& presets = FactoryPresetBank::getInstance();
    ASSERT_TRUE (presets.getError().isEmpty()) << presets.getError();
    EXPECT_GE (bank().size(), 8u);
    EXPECT_LE (bank().size(), 12u);

    std::set<juce::String> slugs;

    for (const auto& preset : bank())
    {
        EXPECT_TRUE (preset.purpose.isNotEmpty()) << preset.name;
        EXPECT_EQ (preset.values.size(), 9u) << preset.name;
        EXPECT_TRUE (slugs.insert (FactoryPresetBank::toSlug (preset.name)).second) << "two presets share the file name of " << preset.name;
    }
}

TEST_P (FactoryPreset, LoadsThroughVST3HostingWithExactlyItsValues)
{
    const auto& preset = presetNamed (GetParam());
    const auto file = juce::File (WARBLE_VST3_PRESET_FOLDER).getChildFile (preset.name + ".vstpreset");
    juce::MemoryBlock data;
    ASSERT_TRUE (file.loadFileAsData (data)) << file.getFullPathName();

    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

    VST3PresetLoader presetLoader (data);
    instance->getExtensions (presetLoader);
    ASSERT_TRUE (presetLoader.loaded);

    // The controller tells the host of the new values through a restart request, which the
    // host answers on its message thread.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
    expectHoldsPreset (*instance, preset);
}

TEST_P (FactoryPreset, LoadsThroughLV2HostingWithExactlyItsValues)
{
    const auto& preset = presetNamed (GetParam());
    const auto file = juce::File (WARBLE_BUILT_LV2_BUNDLE).getChildFile ("preset-" + FactoryPresetBank::toSlug (preset.name) + ".ttl");
    ASSERT_TRUE (file.existsAsFile()) << file.getFullPathName();

    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_LV2_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

    // JUCE's LV2 hosting restores a state from its Turtle text with lilv, through the plug-in's
    // state interface, as a host restores a preset it has read.
    const auto text = file.loadFileAsString();
    instance->setStateInformation (text.toRawUTF8(), (int) text.getNumBytesAsUTF8());

    // The host learns the restored values from the plug-in's messages in the next block.
    warble::test::renderPeak (*instance, 1, 512, {});
    instance->releaseResources();
    expectHoldsPreset (*instance, preset);
}

TEST_P (FactoryPreset, AppliedAsTheRendererAppliesItSetsExactlyItsValues)
{
    // warble-render's --preset and the bank's renders below set the values through the host's
    // parameters, one by one.
    const auto& preset = presetNamed (GetParam());
    const warble::test::PluginBundleLoader loader { juce::File (WARBLE_BUILT_VST3_BUNDLE) };
    ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
    const auto instance = loader.createInstance();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 512);
    moveAwayFrom (*instance, preset);
    if (HasFatalFailure())
        return;

    const auto applied = PresetApplier::apply (preset, ParameterMap (*instance));
    ASSERT_TRUE (applied.wasOk()) << applied.getErrorMessage();
    warble::test::renderPeak (*instance, 1, 512, {});
    expectHoldsPreset (*instance, preset);
}

INSTANTIATE_TEST_SUITE_P (EveryPreset, FactoryPreset, testing::ValuesIn (presetNames()),
                          [] (const testing::TestParamInfo<juce::String>& info)
                          {
                              return FactoryPresetBank::toSlug (info.param).replaceCharacter ('-', '_').toStdString();
                          });

TEST (FactoryPresetBank, Lv2infoListsEveryPresetByNameAndNoUnnamedOne)
{
    // LV2_PATH holds only this build's bundle, so an installed Warble cannot answer instead.
    warble::test::ChildProgram::Settings onlyThisBuild;
    onlyThisBuild.environment["LV2_PATH"] = juce::File (WARBLE_BUILT_LV2_BUNDLE).getParentDirectory().getFullPathName();

    const auto run = warble::test::runProgram ({ "lv2info", WARBLE_LV2_URI }, onlyThisBuild);
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_FALSE (run.output.containsIgnoreCase ("error")) << run.output;

    // "Presets:" then one indented label a line.
    const auto listed = juce::StringArray::fromLines (run.output.fromFirstOccurrenceOf ("Presets:", false, false)
                                                                 .upToFirstOccurrenceOf ("\n\n", false, false).trim());
    juce::StringArray expected;

    for (const auto& preset : bank())
        expected.add (preset.name);

    juce::StringArray labels;

    for (const auto& line : listed)
        labels.add (line.trim());

    labels.sort (false);
    expected.sort (false);
    EXPECT_EQ (labels, expected) << run.output;
}

namespace
{
    /** The phrase the bank is heard on: a melody of held notes (each key let go just after the
        next one is pressed, so that a legato preset glides between them) under a mod-wheel swell
        up and back, then a four-note chord with a note played on top of it. */
    struct BankPhrase
    {
        // The melody's leap of a fifth, held until the next note: a gliding preset is heard
        // passing through the pitches between the two.
        static constexpr int leapFrom = 57, leapTo = 64;
        static constexpr double leapStart = 0.6, leapEnd = 1.4;

        // The last keys are let go at 5.3 s; the take runs on through the release and the reverb.
        static constexpr double length = 5.3 + 1.5;

        static juce::MidiMessageSequence midi()
        {
            warble::test::Phrase phrase;
            phrase.note (0.0, leapStart + 0.05, leapFrom)
                  .note (leapStart, leapEnd + 0.05, leapTo)
                  .note (leapEnd, 1.85, 62)
                  .note (1.8, 2.25, 60)
                  .note (2.2, 3.3, 69)
                  .wheelRamp (0.0, 2.4, 0, 127, 24)
                  .wheelRamp (2.4, 3.2, 127, 0, 8)
                  .chord (3.5, { 48, 55, 60, 64 })
                  .note (4.2, 5.3, 72);

            for (const auto note : { 48, 55, 60, 64 })
                phrase.noteOff (5.3, note);

            return phrase.getMidi();
        }
    };

    double decibels (double amplitude)
    {
        return 20.0 * std::log10 (std::max (amplitude, 1.0e-12));
    }

    /** Third-octave bands centred on 1 kHz · 2^(k/3), from 100 Hz (k = -10) to 12.7 kHz (k = 11). */
    constexpr int lowestBand = -10, numBands = 22;

    double bandCentreHz (int band)
    {
        return 1000.0 * std::pow (2.0, (lowestBand + band) / 3.0);
    }

    struct Sound
    {
        double rms = 0.0;       // both channels, over the whole take
        float peak = 0.0f;
        double centroidHz = 0.0;

        // The level-matched spectrum: each third-octave band's share of the take's power.
        std::array<double, (size_t) numBands> bandShares {};
    };

    /** A take's RMS and peak over both channels, and from the mid signal its spectral centroid
        (the power-weighted mean frequency of the whole take) and its third-octave spectrum. */
    Sound listenTo (const juce::AudioBuffer<float>& take)
    {
        constexpr int fftOrder = 13;
        constexpr int fftSize = 1 << fftOrder;
        constexpr auto rate = warble::test::HostedPlayer::sampleRate;

        std::vector<float> mono;
        double sumOfSquares = 0.0;
        Sound sound;

        for (int i = 0; i < take.getNumSamples(); ++i)
        {
            for (int channel = 0; channel < 2; ++channel)
            {
                const auto sample = take.getSample (channel, i);
                sumOfSquares += (double) sample * sample;
                sound.peak = std::max (sound.peak, std::abs (sample));
            }

            mono.push_back (0.5f * (take.getSample (0, i) + take.getSample (1, i)));
        }

        sound.rms = std::sqrt (sumOfSquares / (2.0 * (double) mono.size()));

        juce::dsp::FFT fft (fftOrder);
        juce::dsp::WindowingFunction<float> window (fftSize, juce::dsp::WindowingFunction<float>::hann, false);
        std::vector<float> frame (2 * fftSize);
        std::vector<double> power (fftSize / 2 + 1, 0.0);

        for (size_t start = 0; start + fftSize <= mono.size(); start += fftSize / 2)
        {
            std::fill (frame.begin(), frame.end(), 0.0f);
            std::copy_n (mono.begin() + (std::ptrdiff_t) start, fftSize, frame.begin());
            window.multiplyWithWindowingTable (frame.data(), fftSize);
            fft.performFrequencyOnlyForwardTransform (frame.data());

            for (size_t bin = 1; bin < power.size(); ++bin)
                power[bin] += (double) frame[bin] * frame[bin];
        }

        double weightedFrequency = 0.0, totalPower = 0.0;

        for (size_t bin = 1; bin < power.size(); ++bin)
        {
            weightedFrequency += power[bin] * (double) bin * rate / fftSize;
            totalPower += power[bin];
        }

        if (totalPower <= 0.0)
            return sound;

        sound.centroidHz = weightedFrequency / totalPower;

        for (int band = 0; band < numBands; ++band)
        {
            const auto lowest = bandCentreHz (band) * std::pow (2.0, -1.0 / 6.0);
            const auto highest = bandCentreHz (band) * std::pow (2.0, 1.0 / 6.0);
            auto& share = sound.bandShares[(size_t) band];

            for (size_t bin = 1; bin < power.size(); ++bin)
                if (const auto hz = (double) bin * rate / fftSize; hz >= lowest && hz < highest)
                    share += power[bin] / totalPower;
        }

        return sound;
    }

    /** The phrase through the built VST3, from a preset or (with none) the defaults. */
    Sound renderPhrase (const Preset* preset)
    {
        warble::test::HostedPlayer player;

        if (preset != nullptr)
            player.startFrom (*preset);

        return listenTo (player.play (BankPhrase::midi(), BankPhrase::length));
    }

    /** Every preset's sound of the phrase, rendered once for the tests that compare them. */
    const std::map<juce::String, Sound>& bankSounds()
    {
        static const auto sounds = []
        {
            std::map<juce::String, Sound> rendered;

            for (const auto& preset : bank())
                rendered[preset.name] = renderPhrase (&preset);

            return rendered;
        }();

        return sounds;
    }

    // A pitch frame, and its longest lag (60 Hz): the samples that one pitch reading looks at.
    constexpr size_t pitchFrameLength = 1024;

    size_t longestPitchLag (double rate)
    {
        return (size_t) (rate / 60.0);
    }

    /** The pitch of the frame starting at a sample, by the YIN method: the shortest lag at which
        the frame repeats itself closely, judged by the difference between the frame and itself
        that lag later, normalised by its mean over shorter lags. */
    double pitchAt (const std::vector<float>& take, size_t start, double rate)
    {
        const auto longestLag = longestPitchLag (rate);
        std::vector<double> normalised (longestLag + 1, 1.0);
        double runningSum = 0.0;

        for (size_t lag = 1; lag <= longestLag; ++lag)
        {
            double difference = 0.0;

            for (size_t i = 0; i < pitchFrameLength; ++i)
            {
                const auto delta = (double) take[start + i] - (double) take[start + i + lag];
                difference += delta * delta;
            }

            runningSum += difference;
            normalised[lag] = runningSum > 0.0 ? difference * (double) lag / runningSum : 1.0;
        }

        auto lag = (size_t) std::distance (normalised.begin(), std::min_element (normalised.begin() + 1, normalised.end()));

        for (size_t candidate = 1; candidate <= longestLag; ++candidate)
        {
            if (normalised[candidate] < 0.15)
            {
                lag = candidate;

                while (lag < longestLag && normalised[lag + 1] < normalised[lag])
                    ++lag;

                break;
            }
        }

        return rate / (double) lag;
    }

    /** How long the dry voice's pitch stays between the leap's two notes, more than a semitone
        from either, in frames 5 ms apart while the upper note is held: a glide passes through
        there, a jump from one note to the other does not. */
    double secondsBetweenTheLeapsNotes (const std::vector<float>& take)
    {
        constexpr auto rate = warble::test::HostedPlayer::sampleRate;
        constexpr auto hop = (size_t) (rate * 0.005);
        const auto semitone = std::pow (2.0, 1.0 / 12.0);
        const auto above = juce::MidiMessage::getMidiNoteInHertz (BankPhrase::leapFrom) * semitone;
        const auto below = juce::MidiMessage::getMidiNoteInHertz (BankPhrase::leapTo) / semitone;
        const auto end = std::min (take.size(), (size_t) (BankPhrase::leapEnd * rate)) - longestPitchLag (rate) - pitchFrameLength;
        int between = 0;

        for (auto start = (size_t) (BankPhrase::leapStart * rate); start < end; start += hop)
            if (const auto hz = pitchAt (take, start, rate); hz > above && hz < below)
                ++between;

        return between * (double) hop / rate;
    }
}

TEST (FactoryPresetBank, EveryPresetSitsWithinThreeDecibelsOfTheMedianAndNonePeaksAboveFullScale)
{
    const auto& sounds = bankSounds();
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
        // would come out hotter. The vibrato's random phase moves a peak by a little.
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

TEST (FactoryPresetBank, PresetsThatPromiseGlidesGlideBetweenTheMelodysNotes)
{
    struct Case
    {
        const char* preset;
        bool glides;
    };

    // Dry Keys promises no glide: its jump shows that the measure tells the two apart.
    for (const auto& [name, glides] : { Case { "Siren", true }, Case { "Glass Pad", true },
                                        Case { "Dark Drone", true }, Case { "Dry Keys", false } })
    {
        // Without the reverb, which moves no pitch, the pitch tracker hears the voice alone.
        warble::test::HostedPlayer player;
        player.startFrom (presetNamed (name)).set ("reverb", 0.0);
        const auto between = secondsBetweenTheLeapsNotes (player.playLeft (BankPhrase::midi(), BankPhrase::leapEnd + 0.1));
        RecordProperty (juce::String (name).toStdString() + " seconds between the notes", juce::String (between, 3).toStdString());

        if (glides)
            EXPECT_GT (between, 0.1) << name << " jumps from note to note";
        else
            EXPECT_LT (between, 0.02) << name << " glides";
    }
}

TEST (FactoryPresetBank, GlassPadAndDryKeysDifferInSpectrumAtTheSameLevel)
{
    const auto& pad = bankSounds().at ("Glass Pad");
    const auto& keys = bankSounds().at ("Dry Keys");
    double widest = 0.0;
    int widestBand = 0;
    juce::String differences;

    for (int band = 0; band < numBands; ++band)
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
