#include "FakeAudioDevice.h"
#include "plugin/WarbleProcessor.h"
#include "presets/FactoryPresetBank.h"
#include "editor/WarbleEditor.h"
#include "standalone/audio/InstrumentHost.h"
#include "standalone/presets/FactoryPresetMenu.h"
#include "standalone/window/WarbleStandaloneWindow.h"
#include "support/ChildProgram.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <mutex>
#include <set>
#include <utility>

// The application's window with its playing strip, played through the real X server as a user
// plays it: pointer and keys sent with XTest, JUCE's own event handling, and the real audio path
// from the strip through the MIDI collector and the processor player into the processor, whose
// callback the test runs in place of a sound card. What the processor receives is read from the
// editor's keyboard state, which every block's MIDI passes through.
struct PlayingStripTestAccess
{
    static StripKeyboard& keyboard (PlayingStrip& strip)   { return strip.keyboard; }
    static ModWheelStrip& wheel (PlayingStrip& strip)      { return strip.wheel; }
    static juce::Button& next (PlayingStrip& strip)        { return strip.nextPreset; }
    static juce::Button& previous (PlayingStrip& strip)    { return strip.previousPreset; }
    static juce::Label& presetName (PlayingStrip& strip)   { return strip.presetName; }
    static juce::Label& typing (PlayingStrip& strip)       { return strip.typingSettings; }
    static juce::Label& deviceMessage (PlayingStrip& strip) { return strip.deviceMessage; }
};

// JUCE's own step of its message loop, which the application's event loop runs.
namespace juce::detail
{
    bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace
{
    using Access = PlayingStripTestAccess;

    // Without a window manager some of the properties JUCE sets name atoms the server lacks; the
    // application ignores such errors, as JUCE's own handler does there.
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

    struct ReceivedNote
    {
        bool on;
        int note;
        int velocity;
    };

    /** The notes the processor receives, in order. */
    class NoteRecorder : public juce::MidiKeyboardState::Listener
    {
    public:
        void handleNoteOn (juce::MidiKeyboardState*, int, int note, float velocity) override
        {
            const std::scoped_lock lock (mutex);
            notes.push_back ({ true, note, juce::roundToInt (velocity * 127.0f) });
        }

        void handleNoteOff (juce::MidiKeyboardState*, int, int note, float) override
        {
            const std::scoped_lock lock (mutex);
            notes.push_back ({ false, note, 0 });
        }

        std::vector<ReceivedNote> take()
        {
            const std::scoped_lock lock (mutex);
            return std::exchange (notes, {});
        }

    private:
        std::mutex mutex;
        std::vector<ReceivedNote> notes;
    };

    class AppWindow : public testing::Test
    {
    protected:
        void SetUp() override
        {
            display = XOpenDisplay (nullptr);
            ASSERT_NE (display, nullptr) << "no X display";
            XSetErrorHandler (ignoreXError);

            host = std::make_unique<InstrumentHost> (settings, InstrumentHost::AudioDevice::none);
            window = std::make_unique<WarbleStandaloneWindow> ("Warble", *host, settings);
            window->setVisible (true);
            host->getAudioCallback().audioDeviceAboutToStart (&device);

            keyboardState = processor().keyboardState.load();
            ASSERT_NE (keyboardState, nullptr);
            keyboardState->addListener (&recorder);

            pump (300);
            window->grabKeyboardFocus();
            pump (200);
        }

        void TearDown() override
        {
            if (keyboardState != nullptr)
                keyboardState->removeListener (&recorder);

            window = nullptr;

            if (host != nullptr)
                host->getAudioCallback().audioDeviceStopped();

            host = nullptr;

            if (display != nullptr)
                XCloseDisplay (display);
        }

        WarbleProcessor& processor()  { return host->getWarbleProcessor(); }
        PlayingStrip& strip()         { return window->getPanel().getStrip(); }

        /** Runs the message loop and the audio callback, in real time, for so long. */
        void pump (int milliseconds)
        {
            const auto end = juce::Time::getMillisecondCounterHiRes() + milliseconds;
            auto rendered = juce::Time::getMillisecondCounterHiRes();

            while (juce::Time::getMillisecondCounterHiRes() < end)
            {
                runMessageLoop (5);

                while (juce::Time::getMillisecondCounterHiRes() - rendered >= blockMilliseconds)
                {
                    float* outputs[] = { left.data(), right.data() };
                    host->getAudioCallback().audioDeviceIOCallbackWithContext (nullptr, 0, outputs, 2, blockSize, {});
                    peak = juce::jmax (peak, juce::FloatVectorOperations::findMaximum (left.data(), blockSize),
                                       -juce::FloatVectorOperations::findMinimum (left.data(), blockSize));
                    rendered += blockMilliseconds;
                }
            }
        }

        juce::Point<int> screenPointOfKey (int note, float downTheKey)
        {
            auto& keyboard = Access::keyboard (strip());
            const auto key = keyboard.getRectangleForKey (note);
            const auto local = juce::Point<float> (key.getCentreX(), key.getY() + key.getHeight() * downTheKey);
            return keyboard.localPointToGlobal (local).roundToInt();
        }

        void movePointer (juce::Point<int> screen)
        {
            XTestFakeMotionEvent (display, -1, screen.x, screen.y, CurrentTime);
            XFlush (display);
            pump (60);
        }

        void button (bool down)
        {
            XTestFakeButtonEvent (display, 1, down ? True : False, CurrentTime);
            XFlush (display);
            pump (60);
        }

        void key (const char* keysymName, bool down, int settleMs = 80)
        {
            const auto code = XKeysymToKeycode (display, XStringToKeysym (keysymName));
            ASSERT_NE (code, 0) << keysymName;
            XTestFakeKeyEvent (display, code, down ? True : False, CurrentTime);
            XFlush (display);
            pump (settleMs);
        }

        void tap (const char* keysymName)
        {
            key (keysymName, true);
            key (keysymName, false);
        }

        static constexpr double sampleRate = 48000.0;
        static constexpr int blockSize = 256;
        static constexpr double blockMilliseconds = 1000.0 * blockSize / sampleRate;

        Display* display = nullptr;
        juce::PropertySet settings;
        warble::test::FakeAudioDevice device { sampleRate, blockSize };
        std::unique_ptr<InstrumentHost> host;
        std::unique_ptr<WarbleStandaloneWindow> window;
        juce::MidiKeyboardState* keyboardState = nullptr;
        NoteRecorder recorder;
        std::vector<float> left = std::vector<float> (blockSize), right = std::vector<float> (blockSize);
        float peak = 0.0f;
    };

    void expectNotes (const std::vector<ReceivedNote>& received, const std::vector<ReceivedNote>& expected)
    {
        ASSERT_EQ (received.size(), expected.size());

        for (size_t i = 0; i < expected.size(); ++i)
        {
            SCOPED_TRACE (i);
            EXPECT_EQ (received[i].on, expected[i].on);
            EXPECT_EQ (received[i].note, expected[i].note);

            if (expected[i].on && expected[i].velocity > 0)
            {
                EXPECT_EQ (received[i].velocity, expected[i].velocity);
            }
        }
    }
}

TEST_F (AppWindow, ShowsTheInstrumentWithTheStripBelowAndTheOptionsMenuHidesIt)
{
    auto& panel = window->getPanel();
    EXPECT_EQ (panel.getWidth(), WarbleEditor::windowWidth);
    EXPECT_EQ (panel.getHeight(), WarbleEditor::windowHeight + PlayingStrip::stripHeight);
    EXPECT_TRUE (strip().isShowing());
    EXPECT_EQ (Access::keyboard (strip()).getRangeStart(), 48);
    EXPECT_EQ (Access::keyboard (strip()).getRangeEnd(), 84);

    // No device is open here, and the strip says so, with the way out.
    EXPECT_TRUE (Access::deviceMessage (strip()).isShowing());
    EXPECT_TRUE (Access::deviceMessage (strip()).getText().contains ("Options > Audio/MIDI Settings"));

    window->handleOptionsMenuResult (WarbleStandaloneWindow::showStripItem);
    pump (100);
    EXPECT_FALSE (strip().isShowing());
    EXPECT_EQ (panel.getHeight(), WarbleEditor::windowHeight);
    EXPECT_EQ (window->getContentComponent()->getHeight(), WarbleEditor::windowHeight);
    EXPECT_FALSE (settings.getBoolValue (WarbleStandaloneWindow::showStripKey, true));

    // Remembered: a window made from the same settings starts without it, and brings it back.
    window = nullptr;
    window = std::make_unique<WarbleStandaloneWindow> ("Warble", *host, settings);
    keyboardState = processor().keyboardState.load();
    keyboardState->addListener (&recorder);
    EXPECT_FALSE (window->getPanel().isStripVisible());
    window->handleOptionsMenuResult (WarbleStandaloneWindow::showStripItem);
    EXPECT_TRUE (window->getPanel().isStripVisible());
    EXPECT_TRUE (settings.getBoolValue (WarbleStandaloneWindow::showStripKey, false));
}

TEST_F (AppWindow, MouseClicksPlayNotesWithVelocityFromWhereTheyLandAndDragsStrikeTheNewKeyFirst)
{
    // Near the top of the key, then near the bottom.
    movePointer (screenPointOfKey (60, 0.1f));
    button (true);
    EXPECT_EQ (processor().lastNote.load(), 60);
    EXPECT_EQ (processor().activeVoiceCount.load(), 1);
    button (false);
    movePointer (screenPointOfKey (64, 0.9f));
    button (true);
    button (false);

    const auto clicks = recorder.take();
    ASSERT_EQ (clicks.size(), 4u);
    EXPECT_TRUE (clicks[0].on && clicks[0].note == 60);
    EXPECT_TRUE (clicks[2].on && clicks[2].note == 64);
    EXPECT_LT (clicks[0].velocity, 40);
    EXPECT_GT (clicks[2].velocity, 100);

    // With Legato on, a drag across keys is one gliding voice: each new note arrives before the
    // old one's note-off, so the held voice is re-aimed rather than started again.
    processor().parameters.getParameter ("legato")->setValueNotifyingHost (1.0f);
    pump (300);
    recorder.take();
    movePointer (screenPointOfKey (60, 0.8f));
    button (true);

    for (const auto note : { 62, 64, 65 })
        movePointer (screenPointOfKey (note, 0.8f));

    EXPECT_EQ (processor().activeVoiceCount.load(), 1);
    EXPECT_EQ (processor().lastNote.load(), 65);
    button (false);

    expectNotes (recorder.take(), { { true, 60, 0 }, { true, 62, 0 }, { false, 60, 0 }, { true, 64, 0 }, { false, 62, 0 },
                                    { true, 65, 0 }, { false, 64, 0 }, { false, 65, 0 } });
}

TEST_F (AppWindow, TypedKeysPlayAsMusicalTypingWithOctaveAndVelocityKeys)
{
    // The home row from C4, the row above for the black keys.
    for (const auto* name : { "a", "w", "s", "semicolon", "apostrophe" })
        tap (name);

    expectNotes (recorder.take(), { { true, 60, 100 }, { false, 60, 0 }, { true, 61, 100 }, { false, 61, 0 },
                                    { true, 62, 100 }, { false, 62, 0 }, { true, 76, 100 }, { false, 76, 0 },
                                    { true, 77, 100 }, { false, 77, 0 } });

    // X an octave up, V louder, Z and C back down: shown on the strip and the keyboard follows.
    tap ("x");
    tap ("v");
    EXPECT_EQ (Access::typing (strip()).getText(), "KEYS C5  VEL 110");
    EXPECT_EQ (Access::keyboard (strip()).getRangeStart(), 60);
    tap ("a");
    tap ("z");
    tap ("z");
    tap ("c");
    tap ("c");
    EXPECT_EQ (Access::typing (strip()).getText(), "KEYS C3  VEL 90");
    tap ("a");
    expectNotes (recorder.take(), { { true, 72, 110 }, { false, 72, 0 }, { true, 48, 90 }, { false, 48, 0 } });

    // A key held past the keyboard's repeat delay sounds once, until it is let go.
    key ("d", true, 1200);
    EXPECT_EQ (processor().activeVoiceCount.load(), 1);
    key ("d", false);
    expectNotes (recorder.take(), { { true, 52, 90 }, { false, 52, 0 } });
}

TEST_F (AppWindow, LosingTheKeyboardFocusReleasesEveryHeldNote)
{
    key ("a", true);
    movePointer (screenPointOfKey (67, 0.5f));
    button (true);
    EXPECT_EQ (processor().activeVoiceCount.load(), 2);

    // Another window takes the keyboard; the keys are let go while it has it.
    juce::DocumentWindow other ("Other", juce::Colours::black, 0);
    other.setBounds (0, 0, 100, 100);
    other.setVisible (true);
    other.grabKeyboardFocus();
    pump (300);
    EXPECT_FALSE (window->isActiveWindow());
    key ("a", false);
    button (false);

    const auto received = recorder.take();
    ASSERT_GE (received.size(), 4u);
    std::set<int> released;

    for (const auto& note : received)
        if (! note.on)
            released.insert (note.note);

    EXPECT_EQ (released, (std::set<int> { 60, 67 }));
    EXPECT_TRUE (processor().keyboardState.load()->isNoteOnForChannels (0xffff, 60) == false);
    EXPECT_TRUE (processor().keyboardState.load()->isNoteOnForChannels (0xffff, 67) == false);
}

TEST_F (AppWindow, TheWheelSendsControllerOneAndFollowsAHardwareWheelAndKeysLightForAnySource)
{
    auto& wheel = Access::wheel (strip());
    const auto bounds = wheel.getScreenBounds();
    movePointer ({ bounds.getCentreX(), bounds.getBottom() - 14 });
    button (true);
    movePointer ({ bounds.getCentreX(), bounds.getY() });
    button (false);
    EXPECT_EQ (wheel.getPosition(), 127);
    EXPECT_FLOAT_EQ (processor().modWheel.load(), 1.0f);

    // A hardware keyboard's wheel and note enter through the same collector.
    const auto now = juce::Time::getMillisecondCounterHiRes() * 0.001;
    host->getMidiCollector().addMessageToQueue (juce::MidiMessage::controllerEvent (1, 1, 64).withTimeStamp (now));
    host->getMidiCollector().addMessageToQueue (juce::MidiMessage::noteOn (2, 55, (juce::uint8) 90).withTimeStamp (now));
    pump (200);
    EXPECT_EQ (wheel.getPosition(), 64);
    EXPECT_TRUE (Access::keyboard (strip()).isLitNote (55));
    host->getMidiCollector().addMessageToQueue (juce::MidiMessage::noteOff (2, 55).withTimeStamp (juce::Time::getMillisecondCounterHiRes() * 0.001));
    pump (200);
    EXPECT_FALSE (Access::keyboard (strip()).isLitNote (55));
}

TEST_F (AppWindow, PresetButtonsStepThroughTheBankAndATurnedKnobMarksTheNameChanged)
{
    const auto& presets = FactoryPresetBank::getInstance().getPresets();
    EXPECT_EQ (Access::presetName (strip()).getText(), "Default");

    Access::next (strip()).triggerClick();
    pump (100);
    EXPECT_EQ (Access::presetName (strip()).getText(), presets.front().name);
    EXPECT_EQ (settings.getValue (PresetSelection::settingsKey), presets.front().name);

    Access::previous (strip()).triggerClick();
    Access::previous (strip()).triggerClick();
    pump (100);
    const auto& chosen = presets[presets.size() - 2];
    EXPECT_EQ (Access::presetName (strip()).getText(), chosen.name);

    for (const auto& value : chosen.values)
    {
        auto* parameter = processor().parameters.getParameter (value.parameterId);
        EXPECT_FLOAT_EQ (parameter->convertFrom0to1 (parameter->getValue()), (float) value.value) << value.parameterId;
    }

    // The Options menu ticks it.
    auto menu = window->createOptionsMenu();
    juce::PopupMenu::MenuItemIterator items (menu, true);
    juce::StringArray ticked;

    while (items.next())
        if (items.getItem().isTicked && items.getItem().itemID >= FactoryPresetMenu::firstItemId)
            ticked.add (items.getItem().text);

    EXPECT_EQ (ticked, juce::StringArray (chosen.name));

    auto* volume = processor().parameters.getParameter ("volume");
    volume->setValueNotifyingHost (volume->getValue() * 0.5f);
    pump (100);
    EXPECT_EQ (Access::presetName (strip()).getText(), chosen.name + " *");

    // The choice comes back with the application's settings.
    const PresetSelection restored (processor(), settings);
    EXPECT_EQ (restored.getIndex(), (int) presets.size() - 2);
}

TEST_F (AppWindow, AKeyPressReachesTheProcessorWithinTheNextBlock)
{
    std::vector<double> latencies;

    for (int i = 0; i < 5; ++i)
    {
        recorder.take();
        const auto code = XKeysymToKeycode (display, XStringToKeysym ("g"));
        const auto pressed = juce::Time::getMillisecondCounterHiRes();
        XTestFakeKeyEvent (display, code, True, CurrentTime);
        XFlush (display);

        while (recorder.take().empty() && juce::Time::getMillisecondCounterHiRes() - pressed < 2000)
            pump (1);

        latencies.push_back (juce::Time::getMillisecondCounterHiRes() - pressed);
        key ("g", false);
    }

    const auto worst = *std::max_element (latencies.begin(), latencies.end());
    std::cout << "key press to the processor's note-on (ms, " << blockSize << "-sample blocks at 48 kHz):";

    for (const auto latency : latencies)
        std::cout << " " << juce::String (latency, 1);

    std::cout << std::endl;
    EXPECT_LT (worst, 500.0) << "a key press took far longer than a block to reach the instrument";
}

TEST (AudioSetup, ChoosingJackInTheSettingsConnectsTheOutputsToThePlaybackPorts)
{
    const auto serverName = "warble-setup-" + juce::String (getpid());
    const auto* previousServer = std::getenv ("JACK_DEFAULT_SERVER");
    const auto restoredServer = juce::String (previousServer != nullptr ? previousServer : "");
    setenv ("JACK_DEFAULT_SERVER", serverName.toRawUTF8(), 1);

    const auto listPorts = [] (bool connections)
    {
        warble::test::ChildProgram lister (connections ? juce::StringArray { "jack_lsp", "-c" } : juce::StringArray { "jack_lsp" });
        lister.waitForExitOrKill (10000);
        return lister.getStandardOutput();
    };

    {
        // The application starts with a set-up saved for a sound card that is not there, and no
        // JACK server running...
        juce::PropertySet settings;
        settings.setValue ("audioSetup", "<DEVICESETUP deviceType=\"ALSA\" audioOutputDeviceName=\"no such card\"/>");
        InstrumentHost host (settings);

        // ...then one starts (the dummy driver), and JACK is chosen as the device type in the
        // settings, which is what this call does.
        warble::test::ChildProgram server ({ "jackd", "--no-realtime", "--name", serverName, "-d", "dummy", "-r", "48000", "-p", "256" },
                                           { {}, {}, {}, true });
        const auto deadline = juce::Time::getMillisecondCounter() + 20000;

        while (! listPorts (false).contains ("system:playback_1") && juce::Time::getMillisecondCounter() < deadline)
            juce::Thread::sleep (50);

        ASSERT_TRUE (listPorts (false).contains ("system:playback_1")) << server.getOutput();

        host.getDeviceManager().setCurrentAudioDeviceType ("JACK", true);
        runMessageLoop (500);

        auto* device = host.getDeviceManager().getCurrentAudioDevice();
        ASSERT_NE (device, nullptr);
        EXPECT_EQ (device->getTypeName(), "JACK");
        EXPECT_EQ (host.getDeviceManager().getAudioDeviceSetup().outputDeviceName, InstrumentHost::jackSystemClient);

        const auto connections = listPorts (true);
        EXPECT_TRUE (connections.contains ("Warble:out_1\n   system:playback_1")) << connections;
        EXPECT_TRUE (connections.contains ("Warble:out_2\n   system:playback_2")) << connections;

        host.getDeviceManager().closeAudioDevice();
        server.terminate();
        server.waitForExitOrKill (10000);
    }

    if (restoredServer.isEmpty())
        unsetenv ("JACK_DEFAULT_SERVER");
    else
        setenv ("JACK_DEFAULT_SERVER", restoredServer.toRawUTF8(), 1);
}
