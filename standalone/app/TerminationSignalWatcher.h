#pragma once

#include <juce_events/juce_events.h>

#include <csignal>
#include <functional>

/** Turns SIGTERM and SIGINT into an orderly quit on the message thread, so that a desktop
    session ending, a service manager or Ctrl+C close the application as its close button does:
    state saved, audio stopped, windows closed. The signal handler only writes a byte into a pipe
    that the message loop watches. One instance at a time; create and destroy it on the message
    thread. */
class TerminationSignalWatcher
{
public:
    explicit TerminationSignalWatcher (std::function<void()> onTerminationRequested);
    ~TerminationSignalWatcher();

private:
    static void handleSignal (int);
    void drainPipe();

    std::function<void()> onTermination;
    int readEnd = -1;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};

    JUCE_DECLARE_NON_COPYABLE (TerminationSignalWatcher)
};
