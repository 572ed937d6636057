#pragma once

#include "support/ExitStatus.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <sys/types.h>

namespace warble::test
{
    /** A program that a test starts and watches from outside, as a user's shell would run it:
        its standard input empty, its output read while it runs (so that it never stalls on a
        full pipe and can be inspected before it ends), its end waited for with a deadline.

        It runs in a process group of its own; killing it kills the group, so a hang in anything
        it started ends too. Destroying a ChildProgram that still runs kills it. */
    class ChildProgram
    {
    public:
        struct Settings
        {
            /** Where it starts; the test's own working folder when left empty. */
            juce::File workingDirectory;

            /** Variables set for it, over those the test itself has. */
            std::map<juce::String, juce::String> environment;

            /** Variables it does not inherit (DISPLAY, for a run without a display). */
            juce::StringArray removedEnvironment;

            /** Its standard error goes into the same stream as its standard output, so that
                the two keep the order in which they were written; getStandardError() is then
                empty. */
            bool mergeStandardError = false;
        };

        /** Starts the program, found through PATH when the first word holds no slash. */
        ChildProgram (const juce::StringArray& command, const Settings& settings);
        explicit ChildProgram (const juce::StringArray& command);
        ~ChildProgram();

        bool started() const noexcept       { return pid > 0; }
        pid_t getPid() const noexcept       { return pid; }

        bool isRunning();

        /** Waits up to timeoutMs for it to end and returns how it ended; nothing when it still
            runs at the deadline (it is left running). */
        std::optional<ExitStatus> waitForExit (int timeoutMs);

        /** Waits up to timeoutMs for it to end; at the deadline kills it and reports a timeout. */
        ExitStatus waitForExitOrKill (int timeoutMs);

        /** Sends SIGTERM to the program itself, as a session manager would. */
        void terminate();

        /** Sends SIGKILL to its whole process group. */
        void kill();

        /** What it has written so far: both streams together, in the order they were read;
            once it has ended, everything it wrote. */
        juce::String getOutput() const;
        juce::String getStandardOutput() const;
        juce::String getStandardError() const;

    private:
        void readUntilClosed (int outputPipe, int errorPipe);
        void killAndReap (const std::optional<ExitStatus>& reportedEnd);
        void recordEnd (const ExitStatus& status);

        pid_t pid = -1;
        std::optional<ExitStatus> exitStatus;

        std::thread reader;
        std::atomic<bool> programEnded { false };
        mutable std::mutex outputLock;
        std::string output, standardOutput, standardError;

        JUCE_DECLARE_NON_COPYABLE (ChildProgram)
    };
}
