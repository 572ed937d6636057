#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX
 #include "TerminationSignalWatcher.h"
 #include "standalone/audio/JackMessageFilter.h"
#endif

#include <memory>

class InstrumentHost;
class WarbleStandaloneWindow;

/** The application `warble`: the instrument's editor in a window of its own with a playing strip
    below it (keys, mod wheel, musical typing, the factory presets), played also from every
    connected MIDI input (devices plugged in later included) through JACK or ALSA, with the audio
    and MIDI settings behind the window's Options button. The settings, the window position and
    the instrument's state are kept in ~/.config/Warble.settings between runs.

    Without a usable audio device (no sound card, or a busy one) it still opens its window, says so
    in the title and on stderr, and plays again as soon as a device is chosen in the settings. */
class WarbleStandaloneApp : public juce::JUCEApplication,
                            private juce::ChangeListener
{
public:
    WarbleStandaloneApp();
    ~WarbleStandaloneApp() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;

    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void systemRequestedQuit() override;

    /** The window title's suffix while no audio device is open. */
    static constexpr const char* noAudioDeviceSuffix = " - no audio device";

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void showAudioDeviceStatus();

    juce::ApplicationProperties properties;

   #if JUCE_LINUX
    bool savedSettingsChooseJack();

    std::unique_ptr<TerminationSignalWatcher> terminationWatcher;
    std::unique_ptr<JackMessageFilter> jackMessageFilter;
   #endif

    std::unique_ptr<InstrumentHost> host;
    std::unique_ptr<WarbleStandaloneWindow> window;
    bool reportedMissingDevice = false;
};
