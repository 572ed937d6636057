#pragma once

#include "support/ChildProgram.h"

namespace warble::test
{
    struct ProgramRun
    {
        /** How it ended: equal to N only when it exited by itself with status N. */
        ExitStatus exitCode;
        /** Its standard output and standard error together, in the order they were read. */
        juce::String output;
        juce::String standardOutput;
        juce::String standardError;
    };

    /** Runs a program to its end, as a user would from a shell; one still running after
        timeoutMs is killed and the run reports the timeout. */
    inline ProgramRun runProgram (const juce::StringArray& command, const ChildProgram::Settings& settings = {},
                                  int timeoutMs = 300000)
    {
        ChildProgram program (command, settings);
        const auto exitStatus = program.waitForExitOrKill (timeoutMs);
        return { exitStatus, program.getOutput(), program.getStandardOutput(), program.getStandardError() };
    }
}
