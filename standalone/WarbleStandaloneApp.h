#pragma once

#include "JackMessageFilter.h"
#include "TerminationSignalWatcher.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace juce
{
    class StandaloneFilterWindow;
    class StandalonePluginHolder;
}

/** The application `warble`: the instrument's editor in a window of its own, played from every
    connected MIDI input (devices plugged in later included) through ALSA or JACK, with JUCE's
    audio and MIDI settings and the factory presets behind the window's Options button. The settings, the window position
    and the instrument's state are kept in ~/.config/Warble.settings between runs.

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
    std::unique_ptr<juce::StandalonePluginHolder> createPluginHolder();
    juce::StandalonePluginHolder* getPluginHolder() const noexcept;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void showAudioDeviceStatus();
    bool savedSettingsChooseJack();

    juce::ApplicationProperties properties;
    std::unique_ptr<juce::StandaloneFilterWindow> window;
    std::unique_ptr<juce::StandalonePluginHolder> windowlessHolder;
    std::unique_ptr<TerminationSignalWatcher> terminationWatcher;
    std::unique_ptr<JackMessageFilter> jackMessageFilter;
    bool reportedMissingDevice = false;
};
