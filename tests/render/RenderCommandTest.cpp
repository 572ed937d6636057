#include "MidiFileFixtures.h"
#include "RenderTestSupport.h"
#include "midi/DemoPerformance.h"
#include "output/SonogramImage.h"
#include "presets/FactoryPresetBank.h"
#include "support/ProgramRun.h"

#include <cmath>
#include <cstdlib>

// These run the built warble-render as a child process, so they exercise exactly what a user
// runs: argument handling, the hosted bundle, the file written and the exit status.

using RenderTestSupport::TemporaryFolder;

namespace
{
    struct Run
    {
        warble::test::ExitStatus exitCode;
        juce::String output;
    };

    enum class Stream { standardOutput, standardError };

    /** Runs the renderer and keeps the one of its output streams that the test reads. */
    Run runRenderer (const juce::StringArray& arguments, Stream stream)
    {
        juce::StringArray command { WARBLE_RENDER_EXECUTABLE };
        command.addArray (arguments);

        const auto run = warble::test::runProgram (command, {}, 120000);
        return { run.exitCode, stream == Stream::standardOutput ? run.standardOutput : run.standardError };
    }

    Run render (const juce::StringArray& arguments)
    {
        return runRenderer (arguments, Stream::standardOutput);
    }

    Run renderExpectingFailure (const juce::StringArray& arguments)
    {
        return runRenderer (arguments, Stream::standardError);
    }

    bool allFinite (const juce::AudioBuffer<float>& audio)
    {
        for (int channel = 0; channel < audio.getNumChannels(); ++channel)
            for (int i = 0; i < audio.getNumSamples(); ++i)
                if (! std::isfinite (audio.getSample (channel, i)))
                    return false;

        return true;
    }

    /** The frequency of a steady tone, from the times of its rising zero crossings (found
        between samples by linear interpolation). */
    double measureFrequency (const juce::AudioBuffer<float>& audio, double sampleRate, int start, int length)
    {
        const auto* samples = audio.getReadPointer (0);
        double firstCrossing = -1.0, lastCrossing = -1.0;
        int crossings = 0;

        for (int i = start + 1; i < start + length; ++i)
        {
            if (samples[i - 1] < 0.0f && samples[i] >= 0.0f)
            {
                const auto fraction = samples[i - 1] / (samples[i - 1] - samples[i]);
                const auto time = (i - 1 + fraction) / sampleRate;

                if (crossings++ == 0)
                    firstCrossing = time;

                lastCrossing = time;
            }
        }

        return crossings > 1 ? (crossings - 1) / (lastCrossing - firstCrossing) : 0.0;
    }

    /** Everything the renderer should leave behind in the folder after a failure: nothing. */
    void expectNothingWritten (const TemporaryFolder& folder, const juce::Array<juce::File>& before)
    {
        EXPECT_EQ (folder.getContents().size(), before.size());

        for (const auto& file : folder.getContents())
            EXPECT_TRUE (before.contains (file)) << "left behind: " << file.getFullPathName();
    }
}

TEST (RenderCommand, RendersTheDemo)
{
    TemporaryFolder folder;
    const auto out = folder.getFile ("demo.wav");

    const auto run = render ({ "--out", out.getFullPathName() });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    // One summary line on stdout.
    const auto summary = run.output.trimEnd();
    EXPECT_FALSE (summary.containsChar ('\n')) << summary;
    EXPECT_TRUE (summary.startsWith (out.getFullPathName())) << summary;
    EXPECT_TRUE (summary.contains ("48000 Hz, stereo, peak")) << summary;
    EXPECT_TRUE (summary.contains ("x real time")) << summary;

    const auto wav = RenderTestSupport::readWav (out);
    ASSERT_TRUE (wav.has_value());
    EXPECT_EQ (wav->sampleRate, 48000.0);
    EXPECT_TRUE (wav->usesFloatingPointData);
    EXPECT_EQ (wav->bitsPerSample, 32u);
    ASSERT_EQ (wav->audio.getNumChannels(), 2);

    // The reverb rings on after the last event, and the render ends before the longest tail.
    const auto length = wav->audio.getNumSamples();
    const auto lastEvent = std::llround (DemoPerformance::create().getEndTime() * 48000.0);
    EXPECT_GT (length, lastEvent + 48000);
    EXPECT_LT (length, lastEvent + 30 * 48000);
    EXPECT_TRUE (summary.contains (juce::String (length / 48000.0, 2) + " s")) << summary;

    EXPECT_TRUE (allFinite (wav->audio));
    EXPECT_GT (RenderTestSupport::rms (wav->audio, 0), 0.05);
    EXPECT_GT (RenderTestSupport::rms (wav->audio, 1), 0.05);

    // The last second, well after the final release, is only a fading reverb.
    EXPECT_LT (RenderTestSupport::rms (wav->audio, 0, wav->audio.getNumSamples() - 48000), 0.01);
}

TEST (RenderCommand, PlaysAMidiNoteAtItsPitch)
{
    TemporaryFolder folder;
    constexpr int sampleRate = 48000;

    // Without resonance, so that the wide-open filter cannot ring at the Nyquist frequency.
    for (const auto& [note, hertz] : { std::pair { 69, 440.0 }, std::pair { 57, 220.0 } })
    {
        const auto midi = folder.getFile ("note" + juce::String (note) + ".mid");
        const auto out = folder.getFile ("note" + juce::String (note) + ".wav");
        RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (note, 1.0) });

        const auto run = render ({ "--midi", midi.getFullPathName(), "--out", out.getFullPathName(),
                                   "--rate", juce::String (sampleRate), "--tail", "0.5",
                                   "--set", "waveBlend=0", "--set", "filterBase=1", "--set", "reverb=0",
                                   "--set", "resonance=0" });
        ASSERT_EQ (run.exitCode, 0) << run.output;

        const auto wav = RenderTestSupport::readWav (out);
        ASSERT_TRUE (wav.has_value());
        EXPECT_EQ (wav->audio.getNumSamples(), (int) (1.5 * sampleRate));

        // Between the attack and the release the tone is steady.
        const auto measured = measureFrequency (wav->audio, sampleRate, sampleRate / 5, sampleRate * 7 / 10);
        EXPECT_NEAR (measured, hertz, 1.0) << "note " << note;
    }
}

TEST (RenderCommand, RendersMono)
{
    TemporaryFolder folder;
    const auto midi = folder.getFile ("note.mid");
    const auto out = folder.getFile ("mono.wav");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (64, 0.5) });

    const auto run = render ({ "--midi", midi.getFullPathName(), "--out", out.getFullPathName(),
                               "--channels", "1", "--rate", "44100", "--block", "100", "--tail", "1" });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_TRUE (run.output.contains ("44100 Hz, mono")) << run.output;

    const auto wav = RenderTestSupport::readWav (out);
    ASSERT_TRUE (wav.has_value());
    EXPECT_EQ (wav->audio.getNumChannels(), 1);
    EXPECT_EQ (wav->audio.getNumSamples(), 66150);
    EXPECT_TRUE (allFinite (wav->audio));
    EXPECT_GT (RenderTestSupport::rms (wav->audio, 0, 0, 22050), 0.02);
}

TEST (RenderCommand, ParameterSettingsAndTheModWheelReachThePlugin)
{
    TemporaryFolder folder;
    const auto plainNote = folder.getFile ("plain.mid");
    RenderTestSupport::writeMidiFile (plainNote, { RenderTestSupport::oneNote (57, 0.5) });

    // The same note with the wheel fully up from the start.
    auto withWheel = RenderTestSupport::oneNote (57, 0.5);
    withWheel.addEvent (juce::MidiMessage::controllerEvent (1, 1, 127), 0.0);
    withWheel.sort();
    const auto wheelNote = folder.getFile ("wheel.mid");
    RenderTestSupport::writeMidiFile (wheelNote, { withWheel });

    const auto levelOf = [&] (const juce::File& midi, const juce::StringArray& settings)
    {
        const auto out = folder.getFile ("level.wav");
        juce::StringArray arguments { "--midi", midi.getFullPathName(), "--out", out.getFullPathName(),
                                      "--tail", "0", "--set", "reverb=0" };
        arguments.addArray (settings);

        const auto run = render (arguments);
        EXPECT_EQ (run.exitCode, 0) << run.output;
        const auto wav = RenderTestSupport::readWav (out);
        return wav.has_value() ? RenderTestSupport::rms (wav->audio, 0) : -1.0;
    };

    // The volume drives the output stage: far quieter at 0.1 than at 1.
    const auto quiet = levelOf (plainNote, { "--set", "volume=0.1" });
    const auto loud = levelOf (plainNote, { "--set", "volume=1" });
    EXPECT_GT (quiet, 0.0);
    EXPECT_GT (loud, quiet * 4.0);

    // With the filter almost closed, the wheel (controller 1) opens it and lets the tone through.
    const auto closed = levelOf (plainNote, { "--set", "filterBase=0.1", "--set", "filterMod=1" });
    const auto opened = levelOf (wheelNote, { "--set", "filterBase=0.1", "--set", "filterMod=1" });
    EXPECT_GT (opened, closed * 2.0);
}

TEST (RenderCommand, EndsTheTailOnceTheOutputHasFallenQuiet)
{
    TemporaryFolder folder;
    const auto midi = folder.getFile ("note.mid");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (60, 0.5) });

    constexpr int rate = 48000;
    constexpr int lastEvent = rate / 2;
    constexpr int quietLength = rate / 10;
    const auto quietLevel = juce::Decibels::decibelsToGain (-90.0f);

    // The loudest sample of any channel in a stretch of the render.
    const auto peak = [] (const juce::AudioBuffer<float>& audio, int start, int length)
    {
        auto result = 0.0f;

        for (int channel = 0; channel < audio.getNumChannels(); ++channel)
            result = std::max (result, audio.getMagnitude (channel, start, length));

        return result;
    };

    const struct
    {
        const char* name;
        juce::StringArray settings;
        double shortestTail, longestTail;
        bool endsWhenQuiet;
    } cases[] = {
        { "no reverb: soon after the release", { "--set", "reverb=0" }, 0.1, 1.0, true },
        { "the default reverb", {}, 1.0, 30.0, true },
        { "the deepest reverb: longer, until it has died away", { "--set", "reverb=1" }, 3.0, 30.0, true },
        { "Cathedral", { "--preset", "Cathedral" }, 3.0, 30.0, true },
        { "--tail fixes the length", { "--set", "reverb=1", "--tail", "2" }, 2.0, 2.0, false },
    };

    for (const auto& testCase : cases)
    {
        SCOPED_TRACE (testCase.name);
        const auto out = folder.getFile ("tail.wav");
        juce::StringArray arguments { "--midi", midi.getFullPathName(), "--out", out.getFullPathName() };
        arguments.addArray (testCase.settings);

        const auto run = render (arguments);
        ASSERT_EQ (run.exitCode, 0) << run.output;
        const auto wav = RenderTestSupport::readWav (out);
        ASSERT_TRUE (wav.has_value());

        const auto length = wav->audio.getNumSamples();
        const auto tailSeconds = (double) (length - lastEvent) / rate;
        EXPECT_GE (tailSeconds, testCase.shortestTail);
        EXPECT_LE (tailSeconds, testCase.longestTail);
        std::printf ("%s: the tail lasts %.2f s and ends at %.1f dBFS\n", testCase.name, tailSeconds,
                     juce::Decibels::gainToDecibels (peak (wav->audio, length - quietLength, quietLength), -200.0f));

        // It ends with the first 100 ms that stay below -90 dBFS: the sample before them is louder.
        if (testCase.endsWhenQuiet)
        {
            EXPECT_LT (peak (wav->audio, length - quietLength, quietLength), quietLevel);
            EXPECT_GE (peak (wav->audio, length - quietLength - 1, 1), quietLevel);
        }
    }
}

TEST (RenderCommand, RendersThroughTheLV2WithoutErrorsOrWarnings)
{
    TemporaryFolder folder;
    const auto midi = folder.getFile ("note.mid");
    const auto out = folder.getFile ("note.wav");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (60, 0.5) });

    // A home whose ~/.lv2 holds a copy of the bundle, which JUCE's LV2 hosting loads by itself
    // before it is named.
    const auto home = folder.getFile ("home");
    const auto installed = home.getChildFile (".lv2/Warble.lv2");
    ASSERT_TRUE (installed.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE (juce::File (WARBLE_BUILT_LV2_BUNDLE).copyDirectoryTo (installed));

    const struct
    {
        const char* name;
        juce::File bundle;
        juce::File homeFolder;
    } cases[] = {
        { "the built bundle", juce::File (WARBLE_BUILT_LV2_BUNDLE), juce::File::getSpecialLocation (juce::File::userHomeDirectory) },
        { "a bundle in ~/.lv2", installed, home },
    };

    const juce::String originalHome (std::getenv ("HOME"));

    for (const auto& testCase : cases)
    {
        SCOPED_TRACE (testCase.name);
        setenv ("HOME", testCase.homeFolder.getFullPathName().toRawUTF8(), 1);
        const auto run = renderExpectingFailure ({ "--plugin", testCase.bundle.getFullPathName(), "--midi", midi.getFullPathName(),
                                                   "--out", out.getFullPathName(), "--tail", "0.5" });
        setenv ("HOME", originalHome.toRawUTF8(), 1);

        EXPECT_EQ (run.exitCode, 0) << run.output;
        EXPECT_TRUE (out.existsAsFile());
        out.deleteFile();

        for (const auto& line : juce::StringArray::fromLines (run.output))
            EXPECT_FALSE (line.containsIgnoreCase ("error") || line.containsIgnoreCase ("warning")) << run.output;
    }
}

struct BadInvocation
{
    const char* description;
    juce::StringArray arguments;
    const char* expectedMessage;
    int exitCode; // 1 for a failure, 2 for a bad command line
};

TEST (RenderCommand, RefusesBadInputAndWritesNothing)
{
    TemporaryFolder folder;
    const auto out = folder.getFile ("out.wav").getFullPathName();
    const auto notMidi = folder.getFile ("notes.mid");
    ASSERT_TRUE (notMidi.replaceWithText ("C D E F G"));
    const auto midi = folder.getFile ("note.mid");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (60, 0.2) });
    const auto subfolder = folder.getFile ("renders");
    ASSERT_TRUE (subfolder.createDirectory().wasOk());
    const auto before = folder.getContents();
    juce::MemoryBlock midiBytes;
    ASSERT_TRUE (midi.loadFileAsData (midiBytes));

    const BadInvocation cases[] = {
        { "missing plug-in", { "--plugin", folder.getFile ("Missing.vst3").getFullPathName() }, "plug-in not found", 1 },
        { "unloadable plug-in", { "--plugin", notMidi.getFullPathName() }, "cannot load plug-in", 1 },
        { "missing MIDI file", { "--midi", folder.getFile ("missing.mid").getFullPathName() }, "no such file", 1 },
        { "not a MIDI file", { "--midi", notMidi.getFullPathName() }, "is not a Standard MIDI File", 1 },
        { "unknown parameter", { "--set", "sparkle=1" }, "unknown parameter \"sparkle\"", 2 },
        { "value above the range", { "--set", "glideTime=600" }, "value 600 for glideTime is out of range 0 to 500", 2 },
        { "value below the range", { "--set", "filterBase=0" }, "out of range 0.1 to 1", 2 },
        { "switch value", { "--set", "legato=0.5" }, "it is a switch, 0 (off) or 1 (on)", 2 },
        { "missing output folder", { "--out", folder.getFile ("missing/out.wav").getFullPathName() }, "does not exist", 1 },
        { "output is a folder", { "--out", subfolder.getFullPathName() }, "it is a directory", 1 },
        { "output overwrites the input", { "--midi", midi.getFullPathName(), "--out", midi.getFullPathName() },
          "is the MIDI input file", 2 },
        { "rate too low", { "--rate", "7999" }, "--rate must be a whole number from 8000 to 384000", 2 },
        { "rate too high", { "--rate", "400000" }, "--rate must be a whole number from 8000 to 384000", 2 },
        { "block too small", { "--block", "0" }, "--block must be a whole number from 1 to 8192", 2 },
        { "block too large", { "--block", "10000" }, "--block must be a whole number from 1 to 8192", 2 },
        { "channel count", { "--channels", "4" }, "--channels must be 1 (mono) or 2 (stereo)", 2 },
        { "unknown option", { "--loud" }, "unknown option --loud", 2 },
    };

    for (const auto& invocation : cases)
    {
        SCOPED_TRACE (invocation.description);
        juce::StringArray arguments { "--out", out };

        if (invocation.arguments.contains ("--out"))
            arguments.clear();

        arguments.addArray (invocation.arguments);
        const auto run = renderExpectingFailure (arguments);

        EXPECT_EQ (run.exitCode, invocation.exitCode) << run.output;
        EXPECT_TRUE (run.output.startsWith ("warble-render: ")) << run.output;
        EXPECT_TRUE (run.output.contains (invocation.expectedMessage)) << run.output;
        expectNothingWritten (folder, before);

        // The input is untouched, byte for byte, whatever the run was asked to write.
        juce::MemoryBlock midiBytesAfter;
        EXPECT_TRUE (midi.loadFileAsData (midiBytesAfter));
        EXPECT_TRUE (midiBytesAfter == midiBytes) << midi.getFullPathName() << " changed";
    }

    EXPECT_EQ (midi.getSize() > 0, true);
}

TEST (RenderCommand, DrawsASpectrogramOfTheRender)
{
    TemporaryFolder folder;
    const auto midi = folder.getFile ("note.mid");
    const auto out = folder.getFile ("note.wav");
    const auto picture = folder.getFile ("note.png");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (69, 1.0) });

    const auto run = render ({ "--midi", midi.getFullPathName(), "--out", out.getFullPathName(),
                               "--spectrogram", picture.getFullPathName(), "--tail", "0.5" });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    EXPECT_TRUE (run.output.contains ("; spectrogram " + picture.getFullPathName())) << run.output;

    // The MIDI file, the WAV and the picture: no temporary file is left over.
    EXPECT_EQ (folder.getContents().size(), 3);
    EXPECT_TRUE (RenderTestSupport::readWav (out).has_value());

    const auto image = juce::ImageFileFormat::loadFrom (picture);
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), SonogramImage::defaultWidth);
    EXPECT_EQ (image.getHeight(), SonogramImage::defaultHeight);

    // A4's fundamental glows while the note sounds, in the first two thirds of the picture.
    const SonogramImage layout;
    const auto plot = layout.getPlotArea();
    const auto fundamental = image.getPixelAt (plot.getX() + plot.getWidth() / 3,
                                               (int) layout.getYForFrequency (440.0, 48000.0));
    EXPECT_GT (fundamental.getPerceivedBrightness(), layout.getColourForLevel (-30.0f).getPerceivedBrightness());
}

TEST (RenderCommand, ASpectrogramThatCannotBeWrittenStopsTheRenderAndWritesNothing)
{
    TemporaryFolder folder;
    const auto out = folder.getFile ("out.wav").getFullPathName();
    const auto subfolder = folder.getFile ("pictures");
    ASSERT_TRUE (subfolder.createDirectory().wasOk());
    const auto before = folder.getContents();

    const struct
    {
        const char* description;
        juce::String spectrogram;
        int exitCode;
        const char* expectedMessage;
    } cases[] = {
        { "missing folder", folder.getFile ("missing/out.png").getFullPathName(), 1, "does not exist" },
        { "a folder", subfolder.getFullPathName(), 1, "it is a directory" },
        { "the WAV output", out, 2, "would replace the WAV output" },
    };

    for (const auto& invocation : cases)
    {
        SCOPED_TRACE (invocation.description);
        const auto run = renderExpectingFailure ({ "--out", out, "--spectrogram", invocation.spectrogram });

        EXPECT_EQ (run.exitCode, invocation.exitCode) << run.output;
        EXPECT_TRUE (run.output.contains (invocation.expectedMessage)) << run.output;
        expectNothingWritten (folder, before);
    }
}

TEST (RenderCommand, AFailedRenderKeepsAnEarlierFile)
{
    TemporaryFolder folder;
    const auto out = folder.getFile ("out.wav");
    ASSERT_TRUE (out.replaceWithText ("an earlier render"));

    const auto run = renderExpectingFailure ({ "--out", out.getFullPathName(), "--set", "volume=2" });

    EXPECT_EQ (run.exitCode, 2) << run.output;
    EXPECT_EQ (out.loadFileAsString(), "an earlier render");
    EXPECT_EQ (folder.getContents().size(), 1);
}

TEST (RenderCommand, HelpGoesToStandardOutput)
{
    const auto run = render ({ "--help" });

    EXPECT_EQ (run.exitCode, 0);
    EXPECT_TRUE (run.output.startsWith ("Usage: warble-render")) << run.output;
}

TEST (RenderCommand, StartsFromAFactoryPresetAndAppliesTheSettingsAfterIt)
{
    const auto listing = render ({ "--list-presets" });
    EXPECT_EQ (listing.exitCode, 0);

    for (const auto& name : FactoryPresetBank::getInstance().getNames())
        EXPECT_TRUE (listing.output.contains ("\n" + name + "  ") || listing.output.startsWith (name + "  ")) << name << " in " << listing.output;

    const auto unknown = renderExpectingFailure ({ "--preset", "Kazoo" });
    EXPECT_EQ (unknown.exitCode, 2);
    EXPECT_TRUE (unknown.output.startsWith ("warble-render: unknown preset \"Kazoo\"; the presets are ")) << unknown.output;

    TemporaryFolder folder;
    const auto midi = folder.getFile ("note.mid");
    RenderTestSupport::writeMidiFile (midi, { RenderTestSupport::oneNote (60, 0.3) });
    constexpr int rate = 48000;

    // The level of the last half second of a one-second tail: the reverb's ring.
    const auto tailLevelOf = [&] (const juce::StringArray& presetAndSettings)
    {
        const auto out = folder.getFile ("preset.wav");
        juce::StringArray arguments { "--midi", midi.getFullPathName(), "--out", out.getFullPathName(), "--tail", "1" };
        arguments.addArray (presetAndSettings);
        const auto run = render (arguments);
        EXPECT_EQ (run.exitCode, 0) << run.output;
        const auto wav = RenderTestSupport::readWav (out);
        return wav.has_value() ? RenderTestSupport::rms (wav->audio, 0, wav->audio.getNumSamples() - rate / 2) : -1.0;
    };

    // Dry Keys has no reverb and Cathedral the most; a --set after the preset wins over it.
    EXPECT_LT (tailLevelOf ({ "--preset", "dry keys" }), 1.0e-4);
    EXPECT_GT (tailLevelOf ({ "--preset", "Cathedral" }), 1.0e-3);
    EXPECT_LT (tailLevelOf ({ "--preset", "Cathedral", "--set", "reverb=0" }), 1.0e-4);
}

TEST (RenderCommand, RefusesDefectiveMidiFilesAndWritesNothing)
{
    using namespace MidiFileFixtures;

    TemporaryFolder folder;
    const auto out = folder.getFile ("out.wav").getFullPathName();

    const std::pair<Bytes, const char*> cases[] = {
        { file (0, 0, { halfSecondNote }), "the time division at byte offset 12 is 0 ticks a quarter note" },
        { file (0, 0xe700, { halfSecondNote }), "the SMPTE time division at byte offset 12 has 0 ticks a frame" },
        { file (0, 0x8000, { halfSecondNote }), "the SMPTE time division at byte offset 12 has 0 frames a second" },
        { header (1, 65535, 480), "the header declares 65535 tracks, but the file holds only 0" },
        { file (0, 480, { join ({ halfSecondNote, { 0x00, 0xff } }) }),
          "the meta event at byte offset 32 is cut off by the end of the file" },
        { join ({ chunk ("MThd", { 0, 0, 0, 1, 0x01, 0xe0, 0, 0 }), chunk ("MTrk", halfSecondNote) }),
          "the header at byte offset 0 is 8 bytes long, not 6" },
        { file (0, 480, { { 0x00, 0xb0, 0x01, 0x40 } }), "it holds no note to play" },
    };

    for (int index = 0; index < (int) std::size (cases); ++index)
        write (folder.getFile ("case" + juce::String (index) + ".mid"), cases[index].first);

    const auto before = folder.getContents();

    for (int index = 0; index < (int) std::size (cases); ++index)
    {
        const auto midi = folder.getFile ("case" + juce::String (index) + ".mid").getFullPathName();
        SCOPED_TRACE (cases[index].second);

        const auto run = renderExpectingFailure ({ "--midi", midi, "--out", out });

        EXPECT_EQ (run.exitCode, 1);
        EXPECT_TRUE (run.output.startsWith ("warble-render: cannot read MIDI file " + midi + ": ")) << run.output;
        EXPECT_TRUE (run.output.contains (cases[index].second)) << run.output;
        expectNothingWritten (folder, before);
    }
}

TEST (RenderCommand, WarnsAboutWhatItSkipsAndRenders)
{
    using namespace MidiFileFixtures;

    TemporaryFolder folder;
    const auto midi = folder.getFile ("short-tempo.mid");
    const auto out = folder.getFile ("out.wav");
    write (midi, file (0, 480, { join ({ { 0x00, 0xff, 0x51, 0x00 }, halfSecondNote, endOfTrack }) }));

    const auto run = renderExpectingFailure ({ "--midi", midi.getFullPathName(), "--out", out.getFullPathName(), "--tail", "0" });

    EXPECT_EQ (run.exitCode, 0) << run.output;
    EXPECT_EQ (run.output.trimEnd(),
               "warble-render: warning: the tempo event at byte offset 23 holds 0 bytes, not 3; it is ignored");

    // Half a second at the default tempo, not at one read from whatever lay beyond the event;
    // the render always includes the last event's own sample.
    const auto wav = RenderTestSupport::readWav (out);
    ASSERT_TRUE (wav.has_value());
    EXPECT_EQ (wav->audio.getNumSamples(), 24000 + 1);
}

TEST (RenderCommand, ReleasesNotesHeldAtTheEndOfTheFile)
{
    TemporaryFolder folder;
    const auto midi = folder.getFile ("held.mid");
    const auto out = folder.getFile ("held.wav");
    MidiFileFixtures::write (midi, MidiFileFixtures::noNoteOffs());

    // The file ends at 1 s with four notes held; without the reverb, what follows is the
    // notes' release alone.
    const auto run = render ({ "--midi", midi.getFullPathName(), "--out", out.getFullPathName(), "--tail", "2",
                               "--set", "reverb=0" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto wav = RenderTestSupport::readWav (out);
    ASSERT_TRUE (wav.has_value());
    ASSERT_EQ (wav->audio.getNumSamples(), 3 * 48000);

    const auto levelAt = [&] (double start, double length)
    {
        return RenderTestSupport::rms (wav->audio, 0, (int) (start * 48000), (int) (length * 48000));
    };

    const auto held = levelAt (0.9, 0.1);
    EXPECT_GT (held, 0.02);

    // The release fades over the first part of the tail, and silence follows.
    EXPECT_GT (levelAt (1.0, 0.05), held * 0.1);
    EXPECT_LT (levelAt (1.2, 0.05), levelAt (1.0, 0.05));
    EXPECT_LT (levelAt (2.0, 1.0), held * 0.001);
}

TEST (RenderCommand, RefusesAPerformanceLongerThanTheMaximumAtOnce)
{
    TemporaryFolder folder;
    const auto longFile = folder.getFile ("long.mid");
    MidiFileFixtures::write (longFile, MidiFileFixtures::hugeDelta());
    const auto second = folder.getFile ("second.mid");
    RenderTestSupport::writeMidiFile (second, { RenderTestSupport::oneNote (60, 1.0) });
    const auto out = folder.getFile ("out.wav");
    const auto before = folder.getContents();

    // Over 77 hours: refused before a sample is rendered, under the default limit of an hour.
    const auto refused = renderExpectingFailure ({ "--midi", longFile.getFullPathName(), "--out", out.getFullPathName() });
    EXPECT_EQ (refused.exitCode, 1);
    EXPECT_EQ (refused.output.trimEnd(),
               "warble-render: the performance lasts 4660.3 minutes (279620.3 s), longer than --max-length 60 "
               "(minutes) allows; raise --max-length to render it");
    expectNothingWritten (folder, before);

    // A second is more than a hundredth of a minute, and less than two.
    const auto tooLong = renderExpectingFailure ({ "--midi", second.getFullPathName(), "--out", out.getFullPathName(),
                                                   "--max-length", "0.01" });
    EXPECT_EQ (tooLong.exitCode, 1);
    EXPECT_TRUE (tooLong.output.contains ("longer than --max-length 0.01 (minutes)")) << tooLong.output;
    expectNothingWritten (folder, before);

    const auto allowed = render ({ "--midi", second.getFullPathName(), "--out", out.getFullPathName(),
                                   "--max-length", "0.02", "--tail", "0" });
    EXPECT_EQ (allowed.exitCode, 0) << allowed.output;
    EXPECT_TRUE (out.existsAsFile());
}
