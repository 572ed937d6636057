#include "InstrumentHost.h"

#include "plugin/WarbleProcessor.h"

namespace
{
    constexpr int stereoOutputChannels = 2;

    std::unique_ptr<juce::AudioProcessor> createStandaloneProcessor()
    {
        juce::PluginHostType::jucePlugInClientCurrentWrapperType = juce::AudioProcessor::wrapperType_Standalone;
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Standalone);
        std::unique_ptr<juce::AudioProcessor> created (createPluginFilter());
        juce::AudioProcessor::setTypeOfNextNewPlugin (juce::AudioProcessor::wrapperType_Undefined);

        created->disableNonMainBuses();
        created->setRateAndBufferSizeDetails (44100.0, 512);
        return created;
    }
}

InstrumentHost::InstrumentHost (juce::PropertySet& settingsToUse, AudioDevice audioDevice)
    : settings (settingsToUse),
      processor (createStandaloneProcessor())
{
    deviceManager.addAudioCallback (this);
    deviceManager.addMidiInputDeviceCallback ({}, &player);

    if (audioDevice == AudioDevice::open)
        initialiseAudio();

    deviceManager.addChangeListener (this);

    reloadPluginState();
    player.setProcessor (processor.get());

    // A keyboard plugged in while the application runs plays at once, without a trip to the
    // settings.
    timerCallback();
    startTimer (500);
}

InstrumentHost::~InstrumentHost()
{
    stopTimer();
    deviceManager.removeChangeListener (this);
    saveAudioDeviceState();
    player.setProcessor (nullptr);
    deviceManager.removeMidiInputDeviceCallback ({}, &player);
    deviceManager.removeAudioCallback (this);
    deviceManager.closeAudioDevice();
}

WarbleProcessor& InstrumentHost::getWarbleProcessor() noexcept
{
    return static_cast<WarbleProcessor&> (*processor);
}

void InstrumentHost::initialiseAudio()
{
    auto savedSetup = settings.getXmlValue ("audioSetup");

    // A first start finds JACK when its server runs: a desktop set up for JACK expects every
    // audio program there, and the ALSA device is then usually held by the server.
    if (savedSetup == nullptr && jackServerRuns())
    {
        savedSetup = std::make_unique<juce::XmlElement> ("DEVICESETUP");
        savedSetup->setAttribute ("deviceType", "JACK");
        savedSetup->setAttribute ("audioOutputDeviceName", jackSystemClient);
    }

    deviceManager.initialise (0, stereoOutputChannels, savedSetup.get(), true);
    connectJackOutputsIfUnconnected();
}

bool InstrumentHost::jackServerRuns()
{
    for (auto* type : deviceManager.getAvailableDeviceTypes())
        if (type->getTypeName() == "JACK")
            return ! type->getDeviceNames (false).isEmpty();

    return false;
}

void InstrumentHost::connectJackOutputsIfUnconnected()
{
    if (deviceManager.getCurrentAudioDeviceType() != "JACK")
        return;

    auto setup = deviceManager.getAudioDeviceSetup();

    if (setup.outputDeviceName.isNotEmpty() && deviceManager.getCurrentAudioDevice() != nullptr)
        return;

    auto* type = deviceManager.getCurrentDeviceTypeObject();

    if (type == nullptr)
        return;

    // The clients were listed when the application started, perhaps before the JACK server did.
    type->scanForDevices();
    const auto clients = type->getDeviceNames (false);

    if (clients.isEmpty())
        return;

    // JUCE's JACK device connects its outputs to the ports of the client chosen as its output.
    setup.outputDeviceName = clients.contains (jackSystemClient) ? juce::String (jackSystemClient) : clients[0];
    setup.useDefaultOutputChannels = true;
    deviceManager.setAudioDeviceSetup (setup, true);
}

void InstrumentHost::changeListenerCallback (juce::ChangeBroadcaster*)
{
    connectJackOutputsIfUnconnected();
}

void InstrumentHost::timerCallback()
{
    const auto inputs = juce::MidiInput::getAvailableDevices();

    if (inputs == knownMidiInputs)
        return;

    for (const auto& input : inputs)
        if (! knownMidiInputs.contains (input))
            deviceManager.setMidiInputDeviceEnabled (input.identifier, true);

    knownMidiInputs = inputs;
}

void InstrumentHost::audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                                       float* const* outputChannelData, int numOutputChannels,
                                                       int numSamples, const juce::AudioIODeviceCallbackContext& context)
{
    player.audioDeviceIOCallbackWithContext (inputChannelData, numInputChannels, outputChannelData, numOutputChannels,
                                             numSamples, context);
    limiter.process (outputChannelData, numOutputChannels, numSamples);
}

void InstrumentHost::audioDeviceAboutToStart (juce::AudioIODevice* device)
{
    limiter.prepare (device->getCurrentSampleRate(), device->getActiveOutputChannels().countNumberOfSetBits());
    player.audioDeviceAboutToStart (device);
}

void InstrumentHost::audioDeviceStopped()
{
    player.audioDeviceStopped();
}

void InstrumentHost::savePluginState()
{
    juce::MemoryBlock state;
    processor->getStateInformation (state);
    settings.setValue ("filterState", state.toBase64Encoding());
}

void InstrumentHost::reloadPluginState()
{
    juce::MemoryBlock state;

    if (state.fromBase64Encoding (settings.getValue ("filterState")) && state.getSize() > 0)
        processor->setStateInformation (state.getData(), (int) state.getSize());
}

void InstrumentHost::saveAudioDeviceState()
{
    // Empty until a device is chosen in the settings: the next start then looks for JACK again.
    settings.setValue ("audioSetup", deviceManager.createStateXml().get());
}

void InstrumentHost::resetToDefaultState()
{
    for (auto* parameter : processor->getParameters())
        parameter->setValueNotifyingHost (parameter->getDefaultValue());

    settings.removeValue ("filterState");
}

void InstrumentHost::showAudioSettingsDialog()
{
    auto selector = std::make_unique<juce::AudioDeviceSelectorComponent> (deviceManager, 0, 0, 0, stereoOutputChannels,
                                                                          true, false, true, false);
    selector->setSize (500, 450);

    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (selector.release());
    options.dialogTitle = TRANS ("Audio/MIDI Settings");
    options.dialogBackgroundColour = options.content->getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;
    options.launchAsync();
}

void InstrumentHost::askUserToSaveState()
{
    stateFileChooser = std::make_unique<juce::FileChooser> (TRANS ("Save current state"),
                                                            juce::File (settings.getValue ("lastStateFile")));
    const auto flags = juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles
                     | juce::FileBrowserComponent::warnAboutOverwriting;

    stateFileChooser->launchAsync (flags, [this] (const juce::FileChooser& chooser)
    {
        const auto file = chooser.getResult();

        if (file == juce::File())
            return;

        settings.setValue ("lastStateFile", file.getFullPathName());
        juce::MemoryBlock state;
        processor->getStateInformation (state);

        if (! file.replaceWithData (state.getData(), state.getSize()))
            messageBox = juce::AlertWindow::showScopedAsync (juce::MessageBoxOptions::makeOptionsOk (juce::AlertWindow::WarningIcon,
                                                                 TRANS ("Error whilst saving"),
                                                                 TRANS ("Couldn't write to the specified file!")),
                                                             nullptr);
    });
}

void InstrumentHost::askUserToLoadState (std::function<void (const juce::File&)> onLoaded)
{
    stateFileChooser = std::make_unique<juce::FileChooser> (TRANS ("Load a saved state"),
                                                            juce::File (settings.getValue ("lastStateFile")));
    const auto flags = juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles;

    stateFileChooser->launchAsync (flags, [this, onLoaded = std::move (onLoaded)] (const juce::FileChooser& chooser)
    {
        const auto file = chooser.getResult();

        if (file == juce::File())
            return;

        settings.setValue ("lastStateFile", file.getFullPathName());
        juce::MemoryBlock state;

        if (! file.loadFileAsData (state))
        {
            messageBox = juce::AlertWindow::showScopedAsync (juce::MessageBoxOptions::makeOptionsOk (juce::AlertWindow::WarningIcon,
                                                                 TRANS ("Error whilst loading"),
                                                                 TRANS ("Couldn't read from the specified file!")),
                                                             nullptr);
            return;
        }

        processor->setStateInformation (state.getData(), (int) state.getSize());

        if (onLoaded != nullptr)
            onLoaded (file);
    });
}
