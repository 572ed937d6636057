#pragma once

#include <juce_core/juce_core.h>

#include <ostream>

namespace warble::test
{
    /** How a program that a test ran came to an end. It compares equal to a number only when
        the program exited by itself with that status: a death by signal, a run stopped at its
        deadline and a program that never started equal no number, so `EXPECT_EQ (status, 0)`
        fails for each of them and prints which it was. */
    class ExitStatus
    {
    public:
        enum class Kind
        {
            exited,
            killedBySignal,
            timedOut,
            couldNotStart
        };

        static ExitStatus exited (int status)                  { return { Kind::exited, status, 0, {} }; }
        static ExitStatus killedBySignal (int signalNumber)    { return { Kind::killedBySignal, -1, signalNumber, {} }; }
        static ExitStatus timedOut (int timeoutMs)             { return { Kind::timedOut, -1, 0, juce::String (timeoutMs) }; }
        static ExitStatus couldNotStart (const juce::String& reason) { return { Kind::couldNotStart, -1, 0, reason }; }

        /** From a status that waitpid() gave for a program that has ended. */
        static ExitStatus fromWaitStatus (int waitStatus);

        Kind getKind() const noexcept             { return kind; }

        /** The status it exited with, or -1 when it did not exit by itself. */
        int getStatus() const noexcept            { return status; }

        /** The signal that killed it, or 0. */
        int getSignal() const noexcept            { return signalNumber; }

        bool exitedWith (int expected) const noexcept  { return kind == Kind::exited && status == expected; }

        /** "exited with status 2", "killed by signal SIGSEGV (Segmentation fault)", ... */
        juce::String describe() const;

        /** "SIGABRT" for SIGABRT: the name a shell would print. */
        static juce::String getSignalName (int signalNumber);

        friend bool operator== (const ExitStatus& exitStatus, int expected) noexcept
        {
            return exitStatus.exitedWith (expected);
        }

        friend std::ostream& operator<< (std::ostream& stream, const ExitStatus& exitStatus)
        {
            return stream << exitStatus.describe();
        }

    private:
        ExitStatus (Kind k, int s, int signal, const juce::String& d)
            : kind (k), status (s), signalNumber (signal), detail (d)
        {
        }

        Kind kind;
        int status;
        int signalNumber;
        juce::String detail;
    };
}
