#include "RenderOptions.h"

#include "../NumberText.h"
#include "hosting/ParameterMap.h"
#include "presets/FactoryPresetBank.h"

#include <set>

namespace
{
    juce::Result parseWholeNumberInRange (const juce::String& option, const juce::String& text, int minimum, int maximum,
                                          int& value)
    {
        juce::int64 parsed = 0;

        if (! NumberText::toWholeNumber (text, parsed) || parsed < minimum || parsed > maximum)
            return juce::Result::fail (option + " must be a whole number from " + juce::String (minimum) + " to "
                                       + juce::String (maximum) + ", not " + text.quoted());

        value = (int) parsed;
        return juce::Result::ok();
    }

    juce::Result parseParameterSetting (const juce::String& text, RenderOptions::ParameterSetting& setting)
    {
        if (! text.containsChar ('='))
            return juce::Result::fail ("--set needs ID=VALUE, not " + text.quoted());

        setting.id = text.upToFirstOccurrenceOf ("=", false, false).trim();
        const auto valueText = text.fromFirstOccurrenceOf ("=", false, false);
        const auto& knownIds = ParameterMap::getInstrumentParameterIds();

        if (! knownIds.contains (setting.id))
            return juce::Result::fail ("unknown parameter " + setting.id.quoted() + "; the parameters are "
                                       + knownIds.joinIntoString (", "));

        if (! NumberText::toFiniteNumber (valueText, setting.value))
            return juce::Result::fail ("--set " + setting.id + ": " + valueText.quoted() + " is not a number");

        return juce::Result::ok();
    }
}

juce::Result RenderOptions::parse (const juce::StringArray& arguments, const juce::File& defaultPluginBundle,
                                   const juce::File& workingDirectory, RenderOptions& options)
{
    options = RenderOptions();
    options.outputFile = workingDirectory.getChildFile ("warble-demo.wav");
    options.pluginBundle = defaultPluginBundle;

    static const juce::StringArray optionsWithValues { "--midi", "--out", "--rate", "--block", "--channels",
                                                       "--tail", "--max-length", "--set", "--plugin", "--spectrogram",
                                                       "--preset" };
    std::set<juce::String> seen;

    for (int index = 0; index < arguments.size(); ++index)
    {
        const auto& argument = arguments[index];

        if (argument == "--help" || argument == "-h")
        {
            options.helpRequested = true;
            continue;
        }

        if (argument == "--list-presets")
        {
            options.presetListRequested = true;
            continue;
        }

        if (! argument.startsWith ("-"))
            return juce::Result::fail ("unexpected argument " + argument.quoted());

        // Both "--rate 44100" and "--rate=44100".
        const auto name = argument.upToFirstOccurrenceOf ("=", false, false);

        if (! optionsWithValues.contains (name))
            return juce::Result::fail ("unknown option " + name);

        juce::String value;

        if (argument.containsChar ('='))
            value = argument.fromFirstOccurrenceOf ("=", false, false);
        else if (index + 1 < arguments.size())
            value = arguments[++index];
        else
            return juce::Result::fail (name + " needs a value");

        if (name != "--set" && ! seen.insert (name).second)
            return juce::Result::fail (name + " is given more than once");

        if (value.isEmpty())
            return juce::Result::fail (name + " needs a value");

        auto result = juce::Result::ok();

        if (name == "--midi")
        {
            options.midiFile = workingDirectory.getChildFile (value);
        }
        else if (name == "--out")
        {
            options.outputFile = workingDirectory.getChildFile (value);
        }
        else if (name == "--spectrogram")
        {
            options.spectrogramFile = workingDirectory.getChildFile (value);
        }
        else if (name == "--plugin")
        {
            options.pluginBundle = workingDirectory.getChildFile (value);
        }
        else if (name == "--preset")
        {
            const auto& bank = FactoryPresetBank::getInstance();

            if (const auto* preset = bank.find (value))
                options.presetName = preset->name;
            else
                result = juce::Result::fail ("unknown preset " + value.quoted() + "; the presets are "
                                             + bank.getNames().joinIntoString (", ") + " (see --list-presets)");
        }
        else if (name == "--rate")
        {
            result = parseWholeNumberInRange (name, value, minimumSampleRate, maximumSampleRate, options.sampleRate);
        }
        else if (name == "--block")
        {
            result = parseWholeNumberInRange (name, value, minimumBlockSize, maximumBlockSize, options.blockSize);
        }
        else if (name == "--channels")
        {
            if (value.trim() == "1" || value.trim() == "2")
                options.numChannels = value.trim().getIntValue();
            else
                result = juce::Result::fail ("--channels must be 1 (mono) or 2 (stereo), not " + value.quoted());
        }
        else if (name == "--tail")
        {
            double seconds = 0.0;

            if (NumberText::toFiniteNumber (value, seconds) && seconds >= 0.0 && seconds <= maximumTailSeconds)
                options.tailSeconds = seconds;
            else
                result = juce::Result::fail ("--tail must be a number of seconds from 0 to "
                                             + juce::String (maximumTailSeconds, 0) + ", not " + value.quoted());
        }
        else if (name == "--max-length")
        {
            if (! NumberText::toFiniteNumber (value, options.maxLengthMinutes)
                || options.maxLengthMinutes <= 0.0 || options.maxLengthMinutes > maximumMaxLengthMinutes)
                result = juce::Result::fail ("--max-length must be a number of minutes above 0 and up to "
                                             + juce::String (maximumMaxLengthMinutes, 0) + ", not " + value.quoted());
        }
        else if (name == "--set")
        {
            ParameterSetting setting;
            result = parseParameterSetting (value, setting);
            options.parameterSettings.push_back (setting);
        }

        if (result.failed())
            return result;
    }

    return juce::Result::ok();
}

juce::Result RenderOptions::checkPerformanceLength (double endTimeInSeconds) const
{
    if (endTimeInSeconds <= maxLengthMinutes * 60.0)
        return juce::Result::ok();

    return juce::Result::fail ("the performance lasts " + juce::String (endTimeInSeconds / 60.0, 1) + " minutes ("
                               + juce::String (endTimeInSeconds, 1) + " s), longer than --max-length "
                               + juce::String (maxLengthMinutes) + " (minutes) allows; raise --max-length to render it");
}

juce::String RenderOptions::getUsage()
{
    return "Usage: warble-render [options]\n"
           "\n"
           "Renders MIDI through the Warble VST3 instrument, hosted as a DAW hosts it, into a\n"
           "32-bit float WAV file. Without --midi it plays a built-in demo (about 19 s, plus the tail).\n"
           "\n"
           "Options:\n"
           "  --midi FILE      Standard MIDI File to play: all tracks together, tempo map honoured\n"
           "                   (format 2: its tracks one after another)\n"
           "  --out FILE       WAV file to write (default warble-demo.wav)\n"
           "  --spectrogram FILE\n"
           "                   also draw the render's spectrogram into a PNG file\n"
           "  --rate HZ        sample rate, 8000 to 384000 (default 48000)\n"
           "  --block SAMPLES  block size, 1 to 8192 (default 512)\n"
           "  --channels N     1 (mono) or 2 (stereo) (default 2)\n"
           "  --tail SECONDS   audio rendered after the last event, 0 to 60 (default: until the\n"
           "                   output has stayed below -90 dBFS for 100 ms, at most 30 s)\n"
           "  --max-length MINUTES\n"
           "                   refuse a performance that lasts longer, before rendering (default 60)\n"
           "  --set ID=VALUE   set a parameter to a real value before rendering; repeatable.\n"
           "                   IDs: waveBlend 0..1, glideTime 0..500 ms, vibratoRate 2..10 Hz,\n"
           "                   filterBase 0.1..1, filterMod 0..1, resonance 0..1, volume 0..1,\n"
           "                   reverb 0..1, legato 0 or 1 (the demo switches legato itself)\n"
           "  --preset NAME    start from a factory preset (names are not case-sensitive); the\n"
           "                   --set values apply after it\n"
           "  --list-presets   list the factory presets and what each is for\n"
           "  --plugin PATH    the Warble.vst3 or Warble.lv2 bundle to host. Without it: the bundle of\n"
           "                   the build warble-render runs from, else Warble.vst3 in ~/.vst3,\n"
           "                   /usr/lib/vst3, /usr/local/lib/vst3, then the lib/vst3 folder of the\n"
           "                   prefix warble-render is installed in\n"
           "  --help           show this help\n"
           "\n"
           "A progress bar appears on stderr when it is a terminal; a summary line goes to stdout.\n"
           "Exit status: 0 done, 1 failed (plug-in, files, rendering), 2 bad command line or\n"
           "parameter value, 130 interrupted. No partial output file is ever left behind.\n";
}
