#pragma once

#include <juce_core/juce_core.h>

/** The command line of `warble`. The application plays without options; --help and --version
    answer on stdout and end the program before any window or audio device is opened, and anything
    else is refused the same way, on stderr. */
class StandaloneCommandLine
{
public:
    explicit StandaloneCommandLine (const juce::StringArray& arguments);

    /** True when the arguments ask for an answer rather than the instrument. */
    bool endsProgram() const noexcept  { return request != Request::play; }

    /** Prints the answer and returns the program's exit status: 0, or 2 for a bad command line. */
    int answer() const;

    static juce::String getHelp();

private:
    enum class Request { play, help, version, mistake };

    Request request = Request::play;
    juce::String mistake;
};
