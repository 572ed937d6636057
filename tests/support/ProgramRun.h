#pragma once

#include <juce_core/juce_core.h>

namespace warble::test
{
    struct ProgramRun
    {
        /** -1 when the program could not start or did not end in time. */
        int exitCode = -1;
        /** Its standard output and standard error together. */
        juce::String output;
    };

    /** Runs a program to its end, as a user would from a shell. */
    inline ProgramRun runProgram (const juce::StringArray& command, int timeoutMs = 300000)
    {
        juce::ChildProcess process;
        ProgramRun run;

        if (process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        {
            run.output = process.readAllProcessOutput();

            if (process.waitForProcessToFinish (timeoutMs))
                run.exitCode = (int) process.getExitCode();
        }

        return run;
    }
}
