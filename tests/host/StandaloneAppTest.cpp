#include "support/ChildProgram.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>

// Starts the built application `warble` as a user would, on the test's X display and with a home
// folder of its own, and watches it from outside: its window (found by process ID, its pixels
// read back from the X server), its messages, its exit and its settings file.
namespace
{
    constexpr int editorWidth = 500;
    constexpr int editorHeight = 280;
    // The playing strip under the editor, shown on a first start.
    constexpr int stripHeight = 116;
    constexpr unsigned long editorBackground = 0x030008;

    // Generous for a sanitizer build; a normal start takes well under a second.
    constexpr int startTimeoutMs = 30000;
    constexpr int exitTimeoutMs = 10000;

    int ignoreXError (Display*, XErrorEvent*)
    {
        return 0;
    }

    enum class OnDisplay { shared, none };

    // The application, started with HOME set to a folder of the test's own; on the test's
    // display, or with no display at all. Its messages are read as they come, in one stream as a
    // terminal would show them.
    class RunningApplication : public warble::test::ChildProgram
    {
    public:
        explicit RunningApplication (const juce::File& homeFolder, const juce::StringArray& options = {},
                                     OnDisplay display = OnDisplay::shared)
            : ChildProgram (commandWith (options), settingsFor (homeFolder, display))
        {
        }

    private:
        static juce::StringArray commandWith (const juce::StringArray& options)
        {
            juce::StringArray command { WARBLE_BUILT_STANDALONE };
            command.addArray (options);
            return command;
        }

        static Settings settingsFor (const juce::File& homeFolder, OnDisplay display)
        {
            Settings settings;
            settings.environment["HOME"] = homeFolder.getFullPathName();
            settings.mergeStandardError = true;

            if (display == OnDisplay::none)
                settings.removedEnvironment.add ("DISPLAY");

            return settings;
        }
    };

    // The processes whose parent is `pid`, from /proc.
    std::vector<pid_t> childrenOf (pid_t pid)
    {
        std::vector<pid_t> children;

        for (const auto& entry : juce::File ("/proc").findChildFiles (juce::File::findDirectories, false))
        {
            const auto stat = entry.getChildFile ("stat").loadFileAsString();

            // "pid (name) state ppid ...": the name may hold spaces, so read after its last ')'.
            const auto fields = juce::StringArray::fromTokens (stat.fromLastOccurrenceOf (")", false, false), " ", "");

            if (fields.size() > 1 && fields[1].getIntValue() == pid)
                children.push_back (entry.getFileName().getIntValue());
        }

        return children;
    }

    bool processExists (pid_t pid)
    {
        return kill (pid, 0) == 0;
    }

    class TopLevelWindow
    {
    public:
        ::Window handle = 0;
        int width = 0;
        int height = 0;
        juce::String title;
    };

    class XConnection
    {
    public:
        XConnection() : display (XOpenDisplay (nullptr))
        {
            XSetErrorHandler (ignoreXError);

            // A window manager creates these atoms when it starts; JUCE only looks them up, so on
            // a bare X server it would not recognise a close request. The atoms live as long as
            // the server, so this must happen before the application starts.
            if (display != nullptr)
            {
                for (const auto* name : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_PING" })
                    XInternAtom (display, name, False);

                XSync (display, False);
            }
        }

        ~XConnection()
        {
            if (display != nullptr)
                XCloseDisplay (display);
        }

        bool isOpen() const noexcept  { return display != nullptr; }

        /** The viewable top-level window that the process `pid` made, waiting for it to appear
            and to take its final size (the title bar and the editor). */
        std::optional<TopLevelWindow> waitForWindowOf (pid_t pid, int timeoutMs, std::function<bool (const TopLevelWindow&)> isReady)
        {
            const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

            while (juce::Time::getMillisecondCounter() < deadline)
            {
                if (auto window = findWindowOf (pid); window.has_value() && isReady (*window))
                    return window;

                juce::Thread::sleep (50);
            }

            return findWindowOf (pid);
        }

        unsigned long pixelAt (::Window window, int x, int y) const
        {
            auto* image = XGetImage (display, window, x, y, 1, 1, AllPlanes, ZPixmap);

            if (image == nullptr)
                return 0;

            const auto pixel = XGetPixel (image, 0, 0);
            XDestroyImage (image);
            return pixel & 0xffffff;
        }

        /** Asks the window to close as a window manager does when its close button is clicked. */
        void requestClose (::Window window) const
        {
            XEvent event {};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom (display, "WM_PROTOCOLS", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = (long) XInternAtom (display, "WM_DELETE_WINDOW", False);
            event.xclient.data.l[1] = CurrentTime;
            XSendEvent (display, window, False, NoEventMask, &event);
            XFlush (display);
        }

    private:
        /** Searches the whole tree, not only the root's children: under a window manager the
            application's window sits inside the manager's frame. */
        std::optional<TopLevelWindow> findWindowOf (pid_t pid) const
        {
            return findWindowOf (pid, DefaultRootWindow (display));
        }

        std::optional<TopLevelWindow> findWindowOf (pid_t pid, ::Window parentWindow) const
        {
            const auto pidAtom = XInternAtom (display, "_NET_WM_PID", False);
            ::Window root = 0, parent = 0;
            ::Window* children = nullptr;
            unsigned int numChildren = 0;
            std::optional<TopLevelWindow> found;

            if (XQueryTree (display, parentWindow, &root, &parent, &children, &numChildren) == 0)
                return found;

            for (unsigned int i = 0; i < numChildren && ! found.has_value(); ++i)
            {
                Atom type = 0;
                int format = 0;
                unsigned long numItems = 0, bytesAfter = 0;
                unsigned char* data = nullptr;

                if (XGetWindowProperty (display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                        &numItems, &bytesAfter, &data) == Success
                    && data != nullptr && numItems == 1 && (pid_t) *reinterpret_cast<unsigned long*> (data) == pid)
                {
                    XWindowAttributes attributes;

                    if (XGetWindowAttributes (display, children[i], &attributes) != 0 && attributes.map_state == IsViewable)
                        found = TopLevelWindow { children[i], attributes.width, attributes.height, titleOf (children[i]) };
                }
                else
                {
                    found = findWindowOf (pid, children[i]);
                }

                if (data != nullptr)
                    XFree (data);
            }

            if (children != nullptr)
                XFree (children);

            return found;
        }

        juce::String titleOf (::Window window) const
        {
            XTextProperty property {};
            juce::String title;

            if (XGetWMName (display, window, &property) != 0 && property.value != nullptr)
            {
                title = juce::String::fromUTF8 (reinterpret_cast<const char*> (property.value), (int) property.nitems);
                XFree (property.value);
            }

            return title;
        }

        ::Display* display = nullptr;
    };

    bool hasSoundCard()
    {
        return juce::File ("/dev/snd").isDirectory()
               && ! juce::File ("/proc/asound/cards").loadFileAsString().contains ("no soundcards");
    }

    class StandaloneApp : public testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (x.isOpen()) << "no X display";
            home = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("warble-app-test-" + juce::Uuid().toString(), {}, false);
            ASSERT_TRUE (home.createDirectory());
        }

        void TearDown() override
        {
            home.deleteRecursively();
        }

        juce::File getSettingsFile() const
        {
            return home.getChildFile (".config/Warble.settings");
        }

        // The window shows the whole editor under the title bar, with at most a thin frame.
        static bool showsWholeEditor (const TopLevelWindow& window)
        {
            const auto frame = window.width - editorWidth;
            return frame >= 0 && frame <= 8 && frame % 2 == 0 && window.height > editorHeight + stripHeight + frame / 2;
        }

        /** Starts the application and waits for its window; checks the window shows the editor. */
        std::optional<TopLevelWindow> startAndCheckWindow (RunningApplication& app)
        {
            EXPECT_TRUE (app.started());

            if (! app.started())
                return std::nullopt;

            // Wait for the editor to be painted, not only mapped.
            auto window = x.waitForWindowOf (app.getPid(), startTimeoutMs, [this] (const TopLevelWindow& w)
            {
                return showsWholeEditor (w) && editorPixel (w, 5, 100) == editorBackground;
            });

            EXPECT_TRUE (window.has_value()) << app.getOutput();

            if (window.has_value())
            {
                EXPECT_TRUE (showsWholeEditor (*window)) << window->width << " x " << window->height;
                EXPECT_EQ (editorPixel (*window, 5, 100), editorBackground);
                EXPECT_EQ (editorPixel (*window, 5, 200), editorBackground);
                // The editor's frame line at its left edge: the editor sits exactly there.
                EXPECT_NE (editorPixel (*window, 0, 100), editorBackground);
            }

            return window;
        }

        // A pixel of the editor, in the editor's coordinates: it fills the window below the title
        // bar, inside the frame, above the playing strip.
        unsigned long editorPixel (const TopLevelWindow& window, int x_, int y_) const
        {
            const auto frame = (window.width - editorWidth) / 2;
            const auto editorTop = window.height - frame - stripHeight - editorHeight;
            return x.pixelAt (window.handle, frame + x_, editorTop + y_);
        }

        /** The program ended by itself with status 0, in time, leaving no process behind. */
        void expectCleanExit (RunningApplication& app, const std::vector<pid_t>& children)
        {
            // The deadline is generous, so that a loaded machine or a sanitizer's build still
            // meets it; a program that hangs on its way out does not.
            const auto status = app.waitForExit (exitTimeoutMs);
            ASSERT_TRUE (status.has_value()) << "still running after " << exitTimeoutMs << " ms\n" << app.getOutput();
            EXPECT_EQ (*status, 0) << app.getOutput();

            for (const auto child : children)
                EXPECT_FALSE (processExists (child)) << "process " << child << " outlived the application";
        }

        XConnection x;
        juce::File home;
    };
}

TEST_F (StandaloneApp, StartsWithoutAudioHardwareShowsTheEditorAndClosesWhenAsked)
{
    RunningApplication app (home);
    const auto window = startAndCheckWindow (app);
    ASSERT_TRUE (window.has_value());
    EXPECT_TRUE (app.isRunning());

    if (! hasSoundCard())
    {
        EXPECT_EQ (window->title, "Warble - no audio device");
        EXPECT_TRUE (app.getOutput().contains ("warble: no audio device")) << app.getOutput();
    }

    // JACK was not chosen, so the JACK library's complaints about a missing server stay unshown.
    EXPECT_FALSE (app.getOutput().contains ("jack server is not running")) << app.getOutput();
    EXPECT_FALSE (app.getOutput().contains ("Cannot connect to server")) << app.getOutput();

    const auto children = childrenOf (app.getPid());
    x.requestClose (window->handle);
    expectCleanExit (app, children);

    // Closing saved the settings: the audio set-up and the instrument's state.
    const auto settings = getSettingsFile().loadFileAsString();
    EXPECT_TRUE (settings.contains ("filterState")) << settings;
    EXPECT_TRUE (settings.contains ("audioSetup")) << settings;
}

TEST_F (StandaloneApp, EndsCleanlyOnSigterm)
{
    RunningApplication app (home);
    ASSERT_TRUE (startAndCheckWindow (app).has_value());

    const auto children = childrenOf (app.getPid());
    ASSERT_EQ (kill (app.getPid(), SIGTERM), 0);
    expectCleanExit (app, children);

    // Ending on a signal goes the same way as closing: the state is saved.
    EXPECT_TRUE (getSettingsFile().loadFileAsString().contains ("filterState"));
}

TEST_F (StandaloneApp, RemembersTheInstrumentsStateBetweenRuns)
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Warble";
    options.filenameSuffix = ".settings";
    options.folderName = "~/.config";

    {
        RunningApplication first (home);
        const auto window = startAndCheckWindow (first);
        ASSERT_TRUE (window.has_value());
        x.requestClose (window->handle);
        const auto firstEnd = first.waitForExit (exitTimeoutMs);
        ASSERT_TRUE (firstEnd.has_value()) << first.getOutput();
        EXPECT_EQ (*firstEnd, 0) << first.getOutput();
    }

    // Change the volume in the saved state block, as if it had been turned down while playing.
    {
        juce::PropertiesFile settings (getSettingsFile(), options);
        juce::MemoryBlock block;
        ASSERT_TRUE (block.fromBase64Encoding (settings.getValue ("filterState")));
        auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
        ASSERT_NE (xml, nullptr);

        auto* volume = xml->getChildByAttribute ("id", "volume");
        ASSERT_NE (volume, nullptr) << xml->toString();
        volume->setAttribute ("value", 0.25);

        juce::MemoryBlock changed;
        juce::AudioProcessor::copyXmlToBinary (*xml, changed);
        settings.setValue ("filterState", changed.toBase64Encoding());
        ASSERT_TRUE (settings.save());
    }

    // A second run restores it, and saves it again when it closes.
    {
        RunningApplication second (home);
        const auto window = startAndCheckWindow (second);
        ASSERT_TRUE (window.has_value());
        x.requestClose (window->handle);
        const auto secondEnd = second.waitForExit (exitTimeoutMs);
        ASSERT_TRUE (secondEnd.has_value()) << second.getOutput();
        EXPECT_EQ (*secondEnd, 0) << second.getOutput();
    }

    juce::PropertiesFile settings (getSettingsFile(), options);
    juce::MemoryBlock block;
    ASSERT_TRUE (block.fromBase64Encoding (settings.getValue ("filterState")));
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());
    ASSERT_NE (xml, nullptr);
    const auto* volume = xml->getChildByAttribute ("id", "volume");
    ASSERT_NE (volume, nullptr);
    EXPECT_DOUBLE_EQ (volume->getDoubleAttribute ("value"), 0.25);
}

TEST_F (StandaloneApp, AnswersItsCommandLineAtOnceWithoutADisplayOrAnAudioDevice)
{
    struct Case
    {
        juce::StringArray options;
        int exitCode;
        const char* answer;
    };

    const Case cases[] = {
        { { "--help" }, 0, "Usage: warble [--help | --version]\n" },
        { { "-h" }, 0, "Usage: warble [--help | --version]\n" },
        { { "--version" }, 0, "warble 1.0.0\n" },
        { { "--version", "--help" }, 0, "Usage: warble" },
        { { "--loud" }, 2, "warble: unknown option \"--loud\"\nTry 'warble --help'.\n" },
        { { "song.mid" }, 2, "warble: unexpected argument \"song.mid\"" },
    };

    for (const auto& testCase : cases)
    {
        SCOPED_TRACE (testCase.options.joinIntoString (" "));
        RunningApplication app (home, testCase.options, OnDisplay::none);
        ASSERT_TRUE (app.started());

        // Answering opens nothing, so it ends at once; the deadline only tells a hang.
        const auto status = app.waitForExit (exitTimeoutMs);

        ASSERT_TRUE (status.has_value()) << "still running after " << exitTimeoutMs << " ms\n" << app.getOutput();
        EXPECT_EQ (*status, testCase.exitCode) << app.getOutput();
        EXPECT_TRUE (app.getOutput().startsWith (testCase.answer)) << app.getOutput();

        // Nothing was opened: no message about a display or an audio device, no settings written.
        EXPECT_FALSE (app.getOutput().contains ("warble: no display")) << app.getOutput();
        EXPECT_FALSE (app.getOutput().contains ("warble: no audio device")) << app.getOutput();
        EXPECT_FALSE (getSettingsFile().exists());
    }
}

TEST_F (StandaloneApp, WithoutADisplayPlaysWindowlessAndSendsNoOneToAMenuItCannotShow)
{
    RunningApplication app (home, {}, OnDisplay::none);
    ASSERT_TRUE (app.started());

    // It says it has no window, and, on a machine without a sound card, that it has no device.
    const auto expected = hasSoundCard() ? "playing without a window" : "warble: no audio device";
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) startTimeoutMs;

    while (! app.getOutput().contains (expected) && app.isRunning() && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep (20);

    ASSERT_TRUE (app.getOutput().contains (expected)) << app.getOutput();
    EXPECT_FALSE (app.getOutput().contains ("Options")) << app.getOutput();

    const auto children = childrenOf (app.getPid());
    ASSERT_EQ (kill (app.getPid(), SIGTERM), 0);
    expectCleanExit (app, children);
}
