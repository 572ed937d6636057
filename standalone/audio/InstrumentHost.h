#pragma once

#include "SafetyLimiter.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <memory>

class WarbleProcessor;

/** The instrument as the application runs it: one processor, played through an audio device by
    a processor player, with every MIDI input opened (those plugged in later too) and a safety
    limiter between the processor and the sound card. MIDI from the playing strip enters through
    the player's MIDI collector, the same path as a hardware keyboard's.

    It keeps its settings in the application's property set: the audio set-up ("audioSetup"), the
    instrument's state ("filterState") and the folder of the last state file ("lastStateFile").

    On a first start, with no saved set-up, it plays through JACK when a JACK server runs, its
    outputs connected to the system's playback ports, and otherwise through the default ALSA
    device. Choosing JACK later in the settings connects the outputs the same way. */
class InstrumentHost : private juce::AudioIODeviceCallback,
                       private juce::ChangeListener,
                       private juce::Timer
{
public:
    /** Whether to open an audio device: tests drive the callback themselves, with none open. */
    enum class AudioDevice { open, none };

    explicit InstrumentHost (juce::PropertySet& settingsToUse, AudioDevice audioDevice = AudioDevice::open);
    ~InstrumentHost() override;

    juce::AudioProcessor& getProcessor() noexcept           { return *processor; }
    WarbleProcessor& getWarbleProcessor() noexcept;
    juce::AudioDeviceManager& getDeviceManager() noexcept   { return deviceManager; }

    /** Where the playing strip sends its notes and wheel, time-stamped as they happen. */
    juce::MidiMessageCollector& getMidiCollector() noexcept  { return player.getMidiMessageCollector(); }

    void savePluginState();
    void saveAudioDeviceState();

    /** Every parameter back to its default. */
    void resetToDefaultState();

    void showAudioSettingsDialog();
    void askUserToSaveState();
    /** Calls back with the file whose state was loaded. */
    void askUserToLoadState (std::function<void (const juce::File&)> onLoaded);

    /** The device callback, for tests that drive the instrument without a sound card. */
    juce::AudioIODeviceCallback& getAudioCallback() noexcept  { return *this; }

    /** The JACK client that stands for the machine's own playback ports. */
    static constexpr const char* jackSystemClient = "system";

private:
    void audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                           float* const* outputChannelData, int numOutputChannels,
                                           int numSamples, const juce::AudioIODeviceCallbackContext& context) override;
    void audioDeviceAboutToStart (juce::AudioIODevice* device) override;
    void audioDeviceStopped() override;

    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void timerCallback() override;

    void initialiseAudio();
    void reloadPluginState();
    bool jackServerRuns();
    void connectJackOutputsIfUnconnected();

    juce::PropertySet& settings;
    std::unique_ptr<juce::AudioProcessor> processor;
    juce::AudioDeviceManager deviceManager;
    juce::AudioProcessorPlayer player;
    SafetyLimiter limiter;
    juce::Array<juce::MidiDeviceInfo> knownMidiInputs;
    std::unique_ptr<juce::FileChooser> stateFileChooser;
    juce::ScopedMessageBox messageBox;

    JUCE_DECLARE_NON_COPYABLE (InstrumentHost)
};
