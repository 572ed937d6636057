#include "render/RenderTestSupport.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

// The same MIDI rendered by warble-render through Warble.vst3 and through Warble.lv2 must give the
// same audio, sample for sample: both wrap the same processor, and each host hands it the same
// MIDI at the same sample positions. The mod wheel stays at or below 0.2, where the vibrato (whose
// starting phase is random in every instance) has not yet come in.
namespace
{
    using RenderTestSupport::TemporaryFolder;

    struct RenderCase
    {
        const char* name;
        int sampleRate;
        int blockSize;
        std::vector<const char*> settings;
    };

    const RenderCase renderCases[] = {
        { "defaults",              48000, 512, {} },
        { "legato glide, reverb",  44100, 100, { "legato=1", "glideTime=250", "reverb=0.8" } },
        { "bright, resonant, odd", 96000, 37,  { "waveBlend=0.9", "filterBase=0.8", "resonance=0.9", "volume=1" } },
    };

    // Notes that overlap and glide, chords that take all eight voices and steal a ninth, the mod
    // wheel moving up to 0.2, and a release into the reverb. Times in seconds.
    juce::MidiMessageSequence performance()
    {
        constexpr double ticksPerSecond = 1920.0;
        juce::MidiMessageSequence track;
        const auto at = [&] (double seconds, juce::MidiMessage message) { track.addEvent (message, seconds * ticksPerSecond); };

        at (0.00, juce::MidiMessage::noteOn (1, 57, (juce::uint8) 100));
        at (0.30, juce::MidiMessage::noteOn (1, 64, (juce::uint8) 80));
        at (0.35, juce::MidiMessage::noteOff (1, 57));
        at (0.40, juce::MidiMessage::controllerEvent (1, 1, 10));
        at (0.60, juce::MidiMessage::controllerEvent (1, 1, 25));
        at (0.70, juce::MidiMessage::noteOn (1, 69, (juce::uint8) 127));
        at (0.90, juce::MidiMessage::noteOff (1, 64));
        at (1.10, juce::MidiMessage::noteOff (1, 69));

        for (int i = 0; i < 9; ++i)
            at (1.30 + 0.01 * i, juce::MidiMessage::noteOn (1, 48 + 3 * i, (juce::uint8) (60 + 5 * i)));

        at (1.80, juce::MidiMessage::controllerEvent (1, 1, 0));

        for (int i = 0; i < 9; ++i)
            at (2.00 + 0.02 * i, juce::MidiMessage::noteOff (1, 48 + 3 * i));

        track.updateMatchedPairs();
        return track;
    }

    warble::test::ProgramRun runRenderer (const juce::StringArray& arguments)
    {
        juce::StringArray command { WARBLE_RENDER_EXECUTABLE };
        command.addArray (arguments);
        return warble::test::runProgram (command, {}, 120000);
    }

    warble::test::ProgramRun render (const juce::File& bundle, const juce::File& midi, const juce::File& output,
                                     const RenderCase& renderCase)
    {
        juce::StringArray arguments { "--plugin", bundle.getFullPathName(), "--midi", midi.getFullPathName(),
                                      "--out", output.getFullPathName(), "--rate", juce::String (renderCase.sampleRate),
                                      "--block", juce::String (renderCase.blockSize), "--tail", "1.5" };

        for (const auto* setting : renderCase.settings)
            arguments.addArray ({ "--set", setting });

        return runRenderer (arguments);
    }
}

TEST (FormatEquivalence, Vst3AndLv2RenderTheSameSamples)
{
    const TemporaryFolder folder;
    const auto midi = folder.getFile ("performance.mid");
    RenderTestSupport::writeMidiFile (midi, { performance() });

    for (const auto& renderCase : renderCases)
    {
        SCOPED_TRACE (renderCase.name);
        const auto vst3Output = folder.getFile ("vst3.wav");
        const auto lv2Output = folder.getFile ("lv2.wav");

        const auto vst3Run = render (juce::File (WARBLE_BUILT_VST3_BUNDLE), midi, vst3Output, renderCase);
        ASSERT_EQ (vst3Run.exitCode, 0) << vst3Run.output;
        const auto lv2Run = render (juce::File (WARBLE_BUILT_LV2_BUNDLE), midi, lv2Output, renderCase);
        ASSERT_EQ (lv2Run.exitCode, 0) << lv2Run.output;

        const auto vst3 = RenderTestSupport::readWav (vst3Output);
        const auto lv2 = RenderTestSupport::readWav (lv2Output);
        ASSERT_TRUE (vst3.has_value() && lv2.has_value());
        ASSERT_EQ (vst3->audio.getNumChannels(), 2);
        ASSERT_EQ (lv2->audio.getNumChannels(), 2);
        ASSERT_EQ (vst3->audio.getNumSamples(), lv2->audio.getNumSamples());
        EXPECT_GT (vst3->audio.getMagnitude (0, vst3->audio.getNumSamples()), 0.01f);

        for (int channel = 0; channel < 2; ++channel)
        {
            int firstDifference = -1;

            for (int i = 0; i < vst3->audio.getNumSamples() && firstDifference < 0; ++i)
                if (! juce::exactlyEqual (vst3->audio.getSample (channel, i), lv2->audio.getSample (channel, i)))
                    firstDifference = i;

            EXPECT_EQ (firstDifference, -1) << "channel " << channel << " differs from sample " << firstDifference;
        }
    }
}

TEST (FormatEquivalence, RendererExplainsABundleItCannotHost)
{
    const TemporaryFolder folder;
    const auto emptyBundle = folder.getFile ("Empty.lv2");
    ASSERT_TRUE (emptyBundle.createDirectory().wasOk());
    const auto otherFormat = folder.getFile ("Warble.clap");
    ASSERT_TRUE (otherFormat.replaceWithText ("not a plug-in"));
    const auto out = folder.getFile ("out.wav").getFullPathName();

    const std::tuple<const char*, juce::StringArray, const char*> cases[] = {
        { "an LV2 bundle without a plug-in", { "--plugin", emptyBundle.getFullPathName() }, "no LV2 plug-in found in it" },
        { "neither format", { "--plugin", otherFormat.getFullPathName() }, "not a .vst3 or .lv2 bundle" },
        { "mono through the LV2, whose ports are stereo", { "--plugin", WARBLE_BUILT_LV2_BUNDLE, "--channels", "1" },
          "refuses 1-channel output" },
    };

    for (const auto& [description, arguments, expectedMessage] : cases)
    {
        SCOPED_TRACE (description);
        juce::StringArray command (arguments);
        command.addArray ({ "--out", out });
        const auto run = runRenderer (command);

        EXPECT_EQ (run.exitCode, 1) << run.output;
        EXPECT_TRUE (run.output.contains (expectedMessage)) << run.output;
        EXPECT_FALSE (juce::File (out).exists());
    }
}
