#include "EditorSnapshot.h"

#include "../NumberText.h"

#include <iostream>

namespace
{
    constexpr auto usage =
        "usage: warble-snapshot --out FILE.png [--note N] [--wheel W] [--ticks T]\n"
        "                      [--from-note N] [--from-wheel W] [--pad-only] [--help]\n"
        "Renders the plug-in window (or only its XY pad) to a PNG file. With --note, one voice\n"
        "sounds at note N (0 to 127); --wheel sets the modulation wheel (0 to 1); --ticks runs the\n"
        "pad's animation for T frames of 1/30 s, moving note and wheel from the --from values.\n";

    struct Options
    {
        juce::File output;
        EditorSnapshot::Performance performance;
        bool padOnly = false;
    };

    std::optional<int> parseInteger (const juce::String& text, int minimum, int maximum)
    {
        juce::int64 value = 0;

        if (! NumberText::toWholeNumber (text, value) || value < minimum || value > maximum)
            return std::nullopt;

        return (int) value;
    }

    std::optional<float> parseUnitFloat (const juce::String& text)
    {
        double value = 0.0;

        if (! NumberText::toFiniteNumber (text, value) || value < 0.0 || value > 1.0)
            return std::nullopt;

        return (float) value;
    }

    // Returns no options, after saying why on stderr, when the arguments cannot be used.
    std::optional<Options> parseArguments (const juce::StringArray& args)
    {
        Options options;
        auto& performance = options.performance;

        for (int i = 0; i < args.size(); ++i)
        {
            const auto& name = args[i];

            if (name == "--pad-only")
            {
                options.padOnly = true;
                continue;
            }

            if (i + 1 >= args.size())
            {
                std::cerr << "missing value after " << name << "\n";
                return std::nullopt;
            }

            const auto value = args[++i];
            bool valid = true;

            if (name == "--out")
            {
                valid = value.isNotEmpty();
                options.output = juce::File::getCurrentWorkingDirectory().getChildFile (value);
            }
            else if (name == "--note" || name == "--from-note")
            {
                const auto note = parseInteger (value, 0, 127);
                valid = note.has_value();
                (name == "--note" ? performance.note : performance.startNote) = note;
            }
            else if (name == "--wheel" || name == "--from-wheel")
            {
                const auto wheel = parseUnitFloat (value);
                valid = wheel.has_value();

                if (name == "--wheel")
                    performance.wheel = wheel.value_or (0.0f);
                else
                    performance.startWheel = wheel;
            }
            else if (name == "--ticks")
            {
                const auto ticks = parseInteger (value, 0, 100000);
                valid = ticks.has_value();
                performance.ticks = ticks.value_or (0);
            }
            else
            {
                std::cerr << "unknown option " << name << "\n";
                return std::nullopt;
            }

            if (! valid)
            {
                std::cerr << "bad value for " << name << ": " << value << "\n";
                return std::nullopt;
            }
        }

        if (options.output == juce::File())
        {
            std::cerr << "--out is required\n";
            return std::nullopt;
        }

        return options;
    }
}

int main (int argc, char** argv)
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::CharPointer_UTF8 (argv[i]));

    if (args.contains ("--help") || args.contains ("-h"))
    {
        std::cout << usage;
        return 0;
    }

    const auto options = parseArguments (args);

    if (! options.has_value())
    {
        std::cerr << usage;
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    WarbleProcessor processor;
    EditorSnapshot snapshot (processor);
    snapshot.perform (options->performance);

    const auto image = options->padOnly ? snapshot.renderPad() : snapshot.renderEditor();

    if (! EditorSnapshot::writePng (image, options->output))
    {
        std::cerr << "could not write " << options->output.getFullPathName() << "\n";
        return 1;
    }

    std::cout << options->output.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ")\n";
    return 0;
}
