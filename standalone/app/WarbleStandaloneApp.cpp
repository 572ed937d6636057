#include "WarbleStandaloneApp.h"

#include "StandaloneCommandLine.h"
#include "standalone/audio/InstrumentHost.h"
#include "standalone/window/WarbleStandaloneWindow.h"

#include <cstdio>

#if JUCE_LINUX
 #include <dlfcn.h>
#endif

WarbleStandaloneApp::WarbleStandaloneApp()
{
    juce::PropertiesFile::Options options;
    options.applicationName = JucePlugin_Name;
    options.filenameSuffix = ".settings";
    // ~/.config on Linux; elsewhere the user's application data folder that JUCE chooses.
   #if JUCE_LINUX
    options.folderName = "~/.config";
   #endif
    options.osxLibrarySubFolder = "Application Support";
    properties.setStorageParameters (options);
}

WarbleStandaloneApp::~WarbleStandaloneApp() = default;

const juce::String WarbleStandaloneApp::getApplicationName()
{
    return JucePlugin_Name;
}

const juce::String WarbleStandaloneApp::getApplicationVersion()
{
    return JucePlugin_VersionString;
}

bool WarbleStandaloneApp::moreThanOneInstanceAllowed()
{
    return true;
}

void WarbleStandaloneApp::anotherInstanceStarted (const juce::String&)
{
}

void WarbleStandaloneApp::initialise (const juce::String&)
{
    // Asked for help or the version, the program answers and ends before opening anything.
    if (const StandaloneCommandLine commandLine (getCommandLineParameterArray()); commandLine.endsProgram())
    {
        setApplicationReturnValue (commandLine.answer());
        quit();
        return;
    }

   #if JUCE_LINUX
    // JUCE opens libX11 itself and closes it at exit. libX11 keeps caches for the life of the
    // process (its locale and resource databases); unloading it leaves them unreachable, which
    // leak checkers report at every exit. Held open to the end, as by a program linked to it, they
    // stay reachable.
    dlopen ("libX11.so.6", RTLD_LAZY | RTLD_NODELETE);

    terminationWatcher = std::make_unique<TerminationSignalWatcher> ([this] { systemRequestedQuit(); });
    jackMessageFilter = std::make_unique<JackMessageFilter> (savedSettingsChooseJack());
   #endif

    host = std::make_unique<InstrumentHost> (*properties.getUserSettings());

    if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
    {
        std::fprintf (stderr, "warble: no display; playing without a window (SIGTERM or Ctrl+C ends it)\n");
    }
    else
    {
        window = std::make_unique<WarbleStandaloneWindow> (getApplicationName(), *host, *properties.getUserSettings());
        window->setVisible (true);
    }

    host->getDeviceManager().addChangeListener (this);
    showAudioDeviceStatus();
}

void WarbleStandaloneApp::shutdown()
{
    if (host != nullptr)
        host->getDeviceManager().removeChangeListener (this);

    window = nullptr;
    host = nullptr;
    properties.saveIfNeeded();

   #if JUCE_LINUX
    jackMessageFilter = nullptr;
    terminationWatcher = nullptr;
   #endif
}

void WarbleStandaloneApp::systemRequestedQuit()
{
    if (host != nullptr)
        host->savePluginState();

    // An open dialog (the settings, a file chooser) is dismissed first; quitting follows once it
    // has gone.
    if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
    {
        juce::Timer::callAfterDelay (100, []
        {
            if (auto* app = juce::JUCEApplicationBase::getInstance())
                app->systemRequestedQuit();
        });
        return;
    }

    quit();
}

void WarbleStandaloneApp::changeListenerCallback (juce::ChangeBroadcaster*)
{
    showAudioDeviceStatus();
}

#if JUCE_LINUX
bool WarbleStandaloneApp::savedSettingsChooseJack()
{
    const auto setup = properties.getUserSettings()->getXmlValue ("audioSetup");
    return setup != nullptr && setup->getStringAttribute ("deviceType") == "JACK";
}
#endif

void WarbleStandaloneApp::showAudioDeviceStatus()
{
    auto& deviceManager = host->getDeviceManager();
    const auto* device = deviceManager.getCurrentAudioDevice();

   #if JUCE_LINUX
    jackMessageFilter->setJackChosen (deviceManager.getCurrentAudioDeviceType() == "JACK");
   #endif

    if (window != nullptr)
        window->setName (getApplicationName() + (device == nullptr ? noAudioDeviceSuffix : ""));

    if (device == nullptr && ! reportedMissingDevice)
    {
        // Without a window there is no settings dialog to send the user to.
        const auto* remedy = window != nullptr
                               ? "Choose one under Options > Audio/MIDI Settings once it is available."
                               : "Free the device, or connect one, and start warble again.";
        std::fprintf (stderr, "warble: no audio device: no sound card was found, or it is in use by another program. %s\n",
                      remedy);
        reportedMissingDevice = true;
    }
    else if (device != nullptr)
    {
        reportedMissingDevice = false;
    }
}

juce::JUCEApplicationBase* juce_CreateApplication();

juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new WarbleStandaloneApp();
}
