#include "plugin/WarbleProcessor.h"
#include "presets/FactoryPresetBank.h"
#include "standalone/audio/InstrumentHost.h"
#include "standalone/presets/FactoryPresetMenu.h"
#include "standalone/window/WarbleStandaloneWindow.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cmath>

// What the application keeps of a user's work, pinned to what Warble 1.0.0 wrote: its settings
// file (~/.config/Warble.settings) and a file saved with Options > Save current state..., both
// kept in fixtures/1.0.0, restored here through the application's own classes; and the keys of
// its settings as literals, against the keys the application writes.
namespace juce::detail
{
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
    int ignoreXError (Display*, XErrorEvent*)
    {
        return 0;
    }

    void runMessageLoop (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounterHiRes() + milliseconds;

        while (juce::Time::getMillisecondCounterHiRes() < end)
            if (! juce::detail::dispatchNextMessageOnSystemQueue (true))
                juce::Thread::sleep (1);
    }

    /** Runs the message loop until the condition holds or the deadline passes. */
    template <typename Condition>
    bool runMessageLoopUntil (Condition&& condition, int deadlineMs = 10000)
    {
        const auto end = juce::Time::getMillisecondCounterHiRes() + deadlineMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounterHiRes() > end)
                return false;

            runMessageLoop (10);
        }

        return true;
    }

    juce::File fixture (const char* name)
    {
        return juce::File (WARBLE_TEST_FIXTURES_DIR).getChildFile ("1.0.0").getChildFile (name);
    }

    // The keys 1.0.0 writes. Renaming one loses that part of every user's settings.
    const juce::StringArray settingsKeysOf100 { "audioSetup", "factoryPreset", "filterState", "lastStateFile",
                                                "showKeyboardStrip", "windowX", "windowY" };

    struct SavedValue
    {
        const char* id;
        float value;
    };

    // What both application fixtures hold: every parameter away from its default, and from the
    // Dry Keys preset that was chosen before the knobs were turned.
    const SavedValue savedValues[] = {
        { "waveBlend", 0.8f }, { "glideTime", 333.0f }, { "vibratoRate", 7.25f }, { "filterBase", 0.6f },
        { "filterMod", 0.25f }, { "resonance", 0.6f }, { "volume", 0.45f }, { "reverb", 0.12f }, { "legato", 1.0f },
    };

    // Where the window was moved to before the application was ended.
    constexpr int savedWindowX = 64, savedWindowY = 48;

    juce::String sortedKeys (juce::PropertySet& settings)
    {
        auto keys = settings.getAllProperties().getAllKeys();
        keys.sort (false);
        return keys.joinIntoString (" ");
    }

    float valueOf (WarbleProcessor& processor, const char* id)
    {
        return processor.parameters.getRawParameterValue (id)->load();
    }

    int presetIndex (const juce::String& name)
    {
        return (int) (FactoryPresetBank::getInstance().find (name) - FactoryPresetBank::getInstance().getPresets().data());
    }

    /** Answers the file chooser the application has opened (JUCE's own dialog, which it uses where
        neither zenity nor kdialog is installed) with a file, as a user types its path and presses
        the dialog's button. */
    void answerFileChooser (const juce::File& file, const juce::String& buttonText)
    {
        juce::FileChooserDialogBox* dialog = nullptr;
        ASSERT_TRUE (runMessageLoopUntil ([&]
        {
            dialog = dynamic_cast<juce::FileChooserDialogBox*> (juce::Component::getCurrentlyModalComponent());
            return dialog != nullptr;
        })) << "no file chooser opened";

        juce::FileBrowserComponent* browser = nullptr;
        juce::Button* button = nullptr;
        std::function<void (juce::Component&)> find = [&] (juce::Component& component)
        {
            if (auto* found = dynamic_cast<juce::FileBrowserComponent*> (&component))
                browser = found;

            if (auto* found = dynamic_cast<juce::TextButton*> (&component); found != nullptr && found->getButtonText() == buttonText)
                button = found;

            for (auto* child : component.getChildren())
                find (*child);
        };

        find (*dialog);
        ASSERT_NE (browser, nullptr);
        ASSERT_NE (button, nullptr) << "no " << buttonText << " button";

        browser->setFileName (file.getFullPathName());
        ASSERT_TRUE (runMessageLoopUntil ([&] { return button->isEnabled(); })) << file.getFullPathName() << " is not accepted";
        button->triggerClick();
        ASSERT_TRUE (runMessageLoopUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }))
            << "the file chooser stayed open";
    }

    class AppSavedWork : public testing::Test
    {
    protected:
        void SetUp() override
        {
            display = XOpenDisplay (nullptr);
            ASSERT_NE (display, nullptr) << "no X display";
            XSetErrorHandler (ignoreXError);

            scratch = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getNonexistentChildFile ("warble-saved-work-" + juce::Uuid().toString(), {}, false);
            ASSERT_TRUE (scratch.createDirectory());
        }

        void TearDown() override
        {
            scratch.deleteRecursively();

            if (display != nullptr)
                XCloseDisplay (display);
        }

        /** Where zenity or kdialog is installed, the application's file chooser is theirs. */
        static bool fileChooserIsJucesOwn()
        {
            return ! juce::FileChooser::isPlatformDialogAvailable();
        }

        /** The settings file as the application opens it. */
        static juce::PropertiesFile::Options settingsOptions()
        {
            juce::PropertiesFile::Options options;
            options.applicationName = "Warble";
            options.filenameSuffix = ".settings";
            return options;
        }

        Display* display = nullptr;
        juce::File scratch;
    };
}

TEST_F (AppSavedWork, SettingsFileOf100BringsBackTheSoundThePresetTheStripAndTheWindowsPlace)
{
    // A first start: nothing of it is what the file holds, so a key that is not read cannot pass.
    {
        juce::PropertySet firstStart;
        InstrumentHost host (firstStart, InstrumentHost::AudioDevice::none);
        WarbleStandaloneWindow window ("Warble", host, firstStart);

        for (const auto& saved : savedValues)
            EXPECT_GT (std::abs (valueOf (host.getWarbleProcessor(), saved.id) - saved.value), 0.01f) << saved.id;

        EXPECT_NE (window.getPresets().getIndex(), presetIndex ("Dry Keys"));
        EXPECT_TRUE (window.getPanel().isStripVisible());
        EXPECT_NE (window.getPosition(), juce::Point<int> (savedWindowX, savedWindowY));
    }

    const auto copy = scratch.getChildFile ("Warble.settings");
    ASSERT_TRUE (fixture ("Warble.settings").copyFileTo (copy));
    juce::PropertiesFile settings (copy, settingsOptions());
    ASSERT_TRUE (settings.isValidFile());

    // The keys as 1.0.0 wrote them.
    EXPECT_EQ (sortedKeys (settings), settingsKeysOf100.joinIntoString (" "));

    InstrumentHost host (settings, InstrumentHost::AudioDevice::none);
    WarbleStandaloneWindow window ("Warble", host, settings);
    runMessageLoop (100);

    for (const auto& saved : savedValues)
        EXPECT_FLOAT_EQ (valueOf (host.getWarbleProcessor(), saved.id), saved.value) << saved.id;

    // Dry Keys was chosen, then every knob turned away from it.
    EXPECT_EQ (window.getPresets().getIndex(), presetIndex ("Dry Keys"));
    EXPECT_EQ (window.getPresets().getDisplayName(), "Dry Keys *");
    EXPECT_FALSE (window.getPanel().isStripVisible());
    EXPECT_EQ (window.getPosition(), juce::Point<int> (savedWindowX, savedWindowY));

    // The set-up the application opens its audio device with: JACK, to the system's ports.
    const auto setup = settings.getXmlValue ("audioSetup");
    ASSERT_NE (setup, nullptr);
    EXPECT_TRUE (setup->hasTagName ("DEVICESETUP"));
    EXPECT_EQ (setup->getStringAttribute ("deviceType"), "JACK");
    EXPECT_EQ (setup->getStringAttribute ("audioOutputDeviceName"), InstrumentHost::jackSystemClient);
}

TEST_F (AppSavedWork, StateFileSavedBy100LoadsExactlyThroughLoadASavedState)
{
    if (! fileChooserIsJucesOwn())
        GTEST_SKIP() << "zenity or kdialog is installed: the file chooser is theirs, which this test cannot answer";

    juce::PropertySet settings;
    InstrumentHost host (settings, InstrumentHost::AudioDevice::none);
    WarbleStandaloneWindow window ("Warble", host, settings);
    auto& processor = host.getWarbleProcessor();

    // A preset chosen, then every parameter at the end of its range farthest from the file's value.
    window.handleOptionsMenuResult (FactoryPresetMenu::firstItemId + presetIndex ("Glass Pad"));

    for (const auto& saved : savedValues)
    {
        auto* parameter = processor.parameters.getParameter (saved.id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (saved.value) < 0.5f ? 1.0f : 0.0f);
        ASSERT_GT (std::abs (valueOf (processor, saved.id) - saved.value), 0.01f) << saved.id;
    }

    window.handleOptionsMenuResult (WarbleStandaloneWindow::loadStateItem);
    answerFileChooser (fixture ("app-saved-state.bin"), "Open");

    for (const auto& saved : savedValues)
        EXPECT_FLOAT_EQ (valueOf (processor, saved.id), saved.value) << saved.id;

    // A loaded state is no factory preset; the chooser starts from that file next time.
    EXPECT_EQ (window.getPresets().getIndex(), -1);
    EXPECT_EQ (settings.getValue ("lastStateFile"), fixture ("app-saved-state.bin").getFullPathName());
}

TEST_F (AppSavedWork, WritesItsSettingsUnderTheKeysOf100AndSavesTheProcessorsStateAsItIs)
{
    if (! fileChooserIsJucesOwn())
        GTEST_SKIP() << "zenity or kdialog is installed: the file chooser is theirs, which this test cannot answer";

    juce::PropertySet settings;
    const auto stateFile = scratch.getChildFile ("my sound");
    juce::MemoryBlock stateAtSaving;

    {
        InstrumentHost host (settings, InstrumentHost::AudioDevice::none);
        WarbleStandaloneWindow window ("Warble", host, settings);

        // What a user does in a session: a preset, the strip hidden, the state saved to a file.
        window.handleOptionsMenuResult (FactoryPresetMenu::firstItemId + presetIndex ("Siren"));
        window.handleOptionsMenuResult (WarbleStandaloneWindow::showStripItem);
        window.handleOptionsMenuResult (WarbleStandaloneWindow::saveStateItem);
        answerFileChooser (stateFile, "Save");
        host.getProcessor().getStateInformation (stateAtSaving);

        // Quitting saves the instrument's state, then the window and the host go.
        host.savePluginState();
    }

    EXPECT_EQ (sortedKeys (settings), settingsKeysOf100.joinIntoString (" "));

    // The file is the processor's state block itself, which Load a saved state... and
    // setStateInformation take back; the settings hold the same block.
    juce::MemoryBlock saved, kept;
    ASSERT_TRUE (stateFile.loadFileAsData (saved));
    EXPECT_EQ (saved, stateAtSaving);
    ASSERT_TRUE (kept.fromBase64Encoding (settings.getValue ("filterState")));
    EXPECT_EQ (kept, stateAtSaving);
    EXPECT_EQ (settings.getValue ("factoryPreset"), "Siren");
    EXPECT_FALSE (settings.getBoolValue ("showKeyboardStrip", true));
    EXPECT_EQ (settings.getValue ("lastStateFile"), stateFile.getFullPathName());
}
