#include "support/ExitStatus.h"

#include <cstring>

#include <sys/wait.h>

namespace warble::test
{
    ExitStatus ExitStatus::fromWaitStatus (int waitStatus)
    {
        if (WIFSIGNALED (waitStatus))
            return killedBySignal (WTERMSIG (waitStatus));

        return exited (WEXITSTATUS (waitStatus));
    }

    juce::String ExitStatus::getSignalName (int signalNumber)
    {
        if (const auto* abbreviation = sigabbrev_np (signalNumber))
            return "SIG" + juce::String (abbreviation);

        return "signal " + juce::String (signalNumber);
    }

    juce::String ExitStatus::describe() const
    {
        switch (kind)
        {
            case Kind::exited:          return "exited with status " + juce::String (status);
            case Kind::killedBySignal:  return "killed by " + getSignalName (signalNumber) + " (" + juce::String (strsignal (signalNumber)) + ")";
            case Kind::timedOut:        return "still running after " + detail + " ms, so killed";
            case Kind::couldNotStart:   return "could not start: " + detail;
        }

        return {};
    }
}
