#include "RenderOptions.h"
#include "hosting/HostedInstrument.h"
#include "hosting/PluginLocator.h"
#include "hosting/PerformanceRenderer.h"
#include "midi/DemoPerformance.h"
#include "midi/MidiFileReader.h"
#include "output/OutputTarget.h"
#include "output/PngFileOutput.h"
#include "output/ProgressBar.h"
#include "output/SignalStatistics.h"
#include "output/Sonogram.h"
#include "output/SonogramImage.h"
#include "output/WavFileOutput.h"
#include "presets/PresetApplier.h"

#include <csignal>
#include <cstdio>
#include <optional>

namespace
{
    enum ExitCode
    {
        succeeded = 0,
        failed = 1,
        badCommandLine = 2,
        interrupted = 130
    };

    volatile std::sig_atomic_t interruptRequested = 0;

    void requestInterrupt (int)
    {
        interruptRequested = 1;
    }

    int fail (const juce::String& message, int exitCode = failed)
    {
        std::fprintf (stderr, "warble-render: %s\n", message.toRawUTF8());

        if (exitCode == badCommandLine)
            std::fprintf (stderr, "Try 'warble-render --help'.\n");

        return exitCode;
    }

    juce::Result schedule (const Performance& performance, const PerformanceRenderer& renderer,
                           const ParameterMap& parameters, std::vector<PerformanceRenderer::ParameterChange>& scheduled)
    {
        for (const auto& change : performance.getParameterChanges())
        {
            PerformanceRenderer::ParameterChange resolved;
            resolved.samplePosition = renderer.toSamplePosition (change.timeInSeconds);
            resolved.parameter = parameters.find (change.parameterId);

            if (const auto result = parameters.toNormalised (change.parameterId, change.value, resolved.normalisedValue);
                result.failed())
                return result;

            scheduled.push_back (resolved);
        }

        return juce::Result::ok();
    }

    /** The spectrogram of a WAV file that has been written, read back block by block: a render
        that ends when it falls quiet has no known length until it ends. */
    juce::Result analyseWavFile (const juce::File& file, int maxColumns, std::optional<Sonogram>& sonogram)
    {
        juce::WavAudioFormat format;
        const std::unique_ptr<juce::AudioFormatReader> reader (format.createReaderFor (file.createInputStream().release(), true));

        if (reader == nullptr)
            return juce::Result::fail ("cannot read back " + file.getFullPathName() + " to draw its spectrogram");

        const auto totalSamples = reader->lengthInSamples;
        sonogram.emplace (reader->sampleRate, totalSamples, maxColumns);

        constexpr int samplesPerRead = 1 << 16;
        juce::AudioBuffer<float> block ((int) reader->numChannels, samplesPerRead);

        for (juce::int64 position = 0; position < totalSamples; position += samplesPerRead)
        {
            const auto numSamples = (int) std::min<juce::int64> (samplesPerRead, totalSamples - position);
            block.setSize (block.getNumChannels(), numSamples, false, false, true);

            if (! reader->read (&block, 0, numSamples, position, true, true))
                return juce::Result::fail ("cannot read back " + file.getFullPathName() + " to draw its spectrogram");

            sonogram->addBlock (block);
        }

        sonogram->finish();
        return juce::Result::ok();
    }

    int run (const juce::StringArray& arguments)
    {
        RenderOptions options;
        const auto parsed = RenderOptions::parse (arguments, {}, juce::File::getCurrentWorkingDirectory(), options);

        if (parsed.failed())
            return fail (parsed.getErrorMessage(), badCommandLine);

        if (options.helpRequested)
        {
            std::fputs (RenderOptions::getUsage().toRawUTF8(), stdout);
            return succeeded;
        }

        if (options.presetListRequested)
        {
            std::fputs (PresetApplier::describe (FactoryPresetBank::getInstance()).toRawUTF8(), stdout);
            return succeeded;
        }

        Performance performance;

        if (options.midiFile != juce::File())
        {
            if (options.outputFile == options.midiFile)
                return fail ("the output file " + options.outputFile.getFullPathName() + " is the MIDI input file",
                             badCommandLine);

            juce::StringArray warnings;
            const auto read = MidiFileReader::read (options.midiFile, performance, warnings);

            for (const auto& warning : warnings)
                std::fprintf (stderr, "warble-render: warning: %s\n", warning.toRawUTF8());

            if (read.failed())
                return fail (read.getErrorMessage());
        }
        else
        {
            performance = DemoPerformance::create();
        }

        if (const auto checked = options.checkPerformanceLength (performance.getEndTime()); checked.failed())
            return fail (checked.getErrorMessage());

        const auto wantsSpectrogram = options.spectrogramFile != juce::File();

        if (wantsSpectrogram)
        {
            if (options.spectrogramFile == options.outputFile || options.spectrogramFile == options.midiFile)
                return fail ("the spectrogram " + options.spectrogramFile.getFullPathName()
                             + " would replace the WAV output or the MIDI input", badCommandLine);

            // Checked now, so that a spectrogram that cannot be written costs no render.
            if (const auto checked = OutputTarget::check (options.spectrogramFile); checked.failed())
                return fail (checked.getErrorMessage());
        }

        if (options.pluginBundle == juce::File())
        {
            const auto searchPath = PluginLocator::getSearchPath (juce::File::getSpecialLocation (juce::File::currentExecutableFile),
                                                                  juce::File (WARBLE_BUILD_DIR), juce::File (WARBLE_BUILT_VST3_BUNDLE),
                                                                  juce::File::getSpecialLocation (juce::File::userHomeDirectory));

            if (const auto located = PluginLocator::locate (searchPath, options.pluginBundle); located.failed())
                return fail (located.getErrorMessage());
        }

        WavFileOutput output;

        if (const auto opened = output.open (options.outputFile, options.sampleRate, options.numChannels); opened.failed())
            return fail (opened.getErrorMessage());

        juce::String loadError;
        auto instrument = HostedInstrument::load (options.pluginBundle, options.sampleRate, options.blockSize, loadError);

        if (instrument == nullptr)
            return fail (loadError);

        if (const auto prepared = instrument->prepare (options.sampleRate, options.blockSize, options.numChannels);
            prepared.failed())
            return fail (prepared.getErrorMessage());

        const auto& parameters = instrument->getParameters();

        if (options.presetName.isNotEmpty())
            if (const auto applied = PresetApplier::apply (*FactoryPresetBank::getInstance().find (options.presetName), parameters);
                applied.failed())
                return fail (applied.getErrorMessage());

        for (const auto& setting : options.parameterSettings)
        {
            float normalised = 0.0f;

            if (const auto converted = parameters.toNormalised (setting.id, setting.value, normalised); converted.failed())
                return fail (converted.getErrorMessage(), badCommandLine);

            parameters.find (setting.id)->setValue (normalised);
        }

        PerformanceRenderer renderer (instrument->getPlugin(), options.sampleRate, options.blockSize);
        std::vector<PerformanceRenderer::ParameterChange> parameterChanges;

        if (const auto scheduled = schedule (performance, renderer, parameters, parameterChanges); scheduled.failed())
            return fail (scheduled.getErrorMessage());

        // Without --tail, the render goes on until the release and the reverb have died away.
        std::optional<PerformanceRenderer::QuietEnd> quietEnd;

        if (! options.tailSeconds.has_value())
            quietEnd = PerformanceRenderer::QuietEnd {
                renderer.toSamplePosition (performance.getEndTime()),
                std::max ((juce::int64) 1, (juce::int64) std::llround (RenderOptions::quietSeconds * options.sampleRate)),
                juce::Decibels::decibelsToGain ((float) RenderOptions::quietDecibels)
            };

        const auto maximumSamples = renderer.getLengthInSamples (performance.getEndTime(),
                                                                 options.tailSeconds.value_or (RenderOptions::longestQuietTailSeconds));
        SignalStatistics statistics;
        ProgressBar progressBar (stderr);

        std::signal (SIGINT, requestInterrupt);
        std::signal (SIGTERM, requestInterrupt);

        const auto startMs = juce::Time::getMillisecondCounterHiRes();
        const auto rendered = renderer.render (performance.getMidi(), parameterChanges, maximumSamples,
            [&] (juce::AudioBuffer<float>& block)
            {
                statistics.addBlock (block);
                return output.write (block);
            },
            [&] (juce::int64 done, juce::int64 total)
            {
                progressBar.update (done, total);
                return interruptRequested == 0;
            },
            quietEnd);
        const auto totalSamples = renderer.getNumSamplesRendered();
        const auto elapsedSeconds = (juce::Time::getMillisecondCounterHiRes() - startMs) / 1000.0;
        progressBar.clear();

        if (interruptRequested != 0)
            return fail ("interrupted; no file written", interrupted);

        if (rendered.failed())
            return fail (rendered.getErrorMessage());

        if (const auto committed = output.commit(); committed.failed())
            return fail (committed.getErrorMessage());

        if (wantsSpectrogram)
        {
            const SonogramImage spectrogramImage;
            std::optional<Sonogram> spectrogram;

            if (const auto analysed = analyseWavFile (options.outputFile, spectrogramImage.getPlotArea().getWidth(), spectrogram);
                analysed.failed())
                return fail (analysed.getErrorMessage());

            const auto title = options.outputFile.getFileName() + ": " + juce::String (options.sampleRate) + " Hz, "
                               + (options.numChannels == 1 ? "mono" : "left and right mixed");

            if (const auto written = PngFileOutput::write (spectrogramImage.draw (*spectrogram, title),
                                                           options.spectrogramFile);
                written.failed())
                return fail (written.getErrorMessage());
        }

        if (statistics.getNumNonFiniteSamples() > 0)
            std::fprintf (stderr, "warble-render: warning: %lld samples were not finite and were written as 0\n",
                          (long long) statistics.getNumNonFiniteSamples());

        const auto durationSeconds = (double) totalSamples / options.sampleRate;
        const auto speed = elapsedSeconds > 0.0 ? durationSeconds / elapsedSeconds : 0.0;
        const auto summary = options.outputFile.getFullPathName() + ": "
                             + juce::String (durationSeconds, 2) + " s, "
                             + juce::String (options.sampleRate) + " Hz, "
                             + (options.numChannels == 1 ? "mono" : "stereo")
                             + ", peak " + juce::String (statistics.getPeak(), 3)
                             + " (" + SignalStatistics::toDecibelText (statistics.getPeak()) + ")"
                             + ", RMS " + juce::String (statistics.getRms(), 3)
                             + " (" + SignalStatistics::toDecibelText (statistics.getRms()) + ")"
                             + ", rendered at " + juce::String (speed, 1) + "x real time"
                             + (wantsSpectrogram ? "; spectrogram " + options.spectrogramFile.getFullPathName() : "");
        std::printf ("%s\n", summary.toRawUTF8());
        return succeeded;
    }
}

int main (int argc, char* argv[])
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    juce::StringArray arguments;

    for (int i = 1; i < argc; ++i)
        arguments.add (juce::String::fromUTF8 (argv[i]));

    return run (arguments);
}
