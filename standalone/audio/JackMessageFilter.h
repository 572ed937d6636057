#pragma once

#include <atomic>

/** Keeps the JACK library's messages off stderr unless JACK is the audio system chosen. Looking
    for audio devices, JUCE asks JACK for a server on every start, and without a running server
    the library reports that at length ("jack server is not running or cannot be started"), which
    only matters to someone who chose JACK. Once JUCE opens a JACK device it installs a message
    handler of its own.

    The filter loads the same JACK library that JUCE loads, when it is installed, and does nothing
    when it is not. One instance at a time, created before the audio devices are scanned. */
class JackMessageFilter
{
public:
    explicit JackMessageFilter (bool jackChosen);
    ~JackMessageFilter();

    void setJackChosen (bool jackChosen) noexcept;

private:
    static void forwardIfChosen (const char* message);

    // JACK may report from its own threads.
    static std::atomic<bool> showMessages;
    void* library = nullptr;
};
