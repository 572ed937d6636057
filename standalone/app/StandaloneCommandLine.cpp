#include "StandaloneCommandLine.h"

#include <cstdio>

StandaloneCommandLine::StandaloneCommandLine (const juce::StringArray& arguments)
{
    for (const auto& argument : arguments)
    {
        if (argument == "--help" || argument == "-h")
        {
            request = Request::help;
        }
        else if (argument == "--version" || argument == "-V")
        {
            if (request != Request::help)
                request = Request::version;
        }
        else
        {
            request = Request::mistake;
            mistake = (argument.startsWith ("-") ? "unknown option " : "unexpected argument ") + argument.quoted();
            return;
        }
    }
}

int StandaloneCommandLine::answer() const
{
    switch (request)
    {
        case Request::help:
            std::fputs (getHelp().toRawUTF8(), stdout);
            return 0;

        case Request::version:
            std::printf ("warble %s\n", JucePlugin_VersionString);
            return 0;

        case Request::mistake:
            std::fprintf (stderr, "warble: %s\nTry 'warble --help'.\n", mistake.toRawUTF8());
            return 2;

        case Request::play:
            break;
    }

    return 0;
}

juce::String StandaloneCommandLine::getHelp()
{
    return "Usage: warble [--help | --version]\n"
           "\n"
           "Warble, the MIDI theremin, in a window of its own: play it from a MIDI keyboard.\n"
           "Every MIDI input is opened, those connected later too; sound goes to the default\n"
           "ALSA device. The window's Options menu chooses the audio device (or JACK), saves and\n"
           "loads states, and loads the factory presets. Settings and the instrument's state are\n"
           "kept in ~/.config/Warble.settings. Without a display it plays without a window until\n"
           "SIGTERM or Ctrl+C.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "  -V, --version  show the version and exit\n"
           "\n"
           "See warble(1); warble-render(1) renders MIDI files through the plug-in.\n";
}
