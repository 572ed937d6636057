#include "TerminationSignalWatcher.h"

#include <fcntl.h>
#include <unistd.h>

namespace
{
    // Written by the signal handler, so a plain global that an async-signal-safe write() can use.
    volatile std::sig_atomic_t signalPipeWriteEnd = -1;
}

TerminationSignalWatcher::TerminationSignalWatcher (std::function<void()> onTerminationRequested)
    : onTermination (std::move (onTerminationRequested))
{
    jassert (signalPipeWriteEnd == -1);

    int ends[2] = { -1, -1 };

    if (pipe2 (ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    readEnd = ends[0];
    signalPipeWriteEnd = ends[1];

    juce::LinuxEventLoop::registerFdCallback (readEnd, [this] (int) { drainPipe(); });

    struct sigaction action {};
    action.sa_handler = handleSignal;
    sigemptyset (&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction (SIGTERM, &action, &previousTerm);
    sigaction (SIGINT, &action, &previousInt);
}

TerminationSignalWatcher::~TerminationSignalWatcher()
{
    if (readEnd < 0)
        return;

    sigaction (SIGTERM, &previousTerm, nullptr);
    sigaction (SIGINT, &previousInt, nullptr);
    juce::LinuxEventLoop::unregisterFdCallback (readEnd);

    close (signalPipeWriteEnd);
    signalPipeWriteEnd = -1;
    close (readEnd);
}

void TerminationSignalWatcher::handleSignal (int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = write (signalPipeWriteEnd, &byte, 1);
}

void TerminationSignalWatcher::drainPipe()
{
    char bytes[16];

    while (read (readEnd, bytes, sizeof (bytes)) > 0)
    {
    }

    onTermination();
}
