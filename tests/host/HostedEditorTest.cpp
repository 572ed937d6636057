#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <thread>

namespace
{
    // A bare X server lacks atoms a desktop provides; Xlib's default handler would end the
    // process on the first such error, and JUCE installs no handler outside an application.
    int ignoreXError (Display*, XErrorEvent*)
    {
        return 0;
    }

    // The deepest viewable window of the given size under `window`: a hosted editor's own window
    // is embedded below the host's.
    ::Window findWindowOfSize (::Display* display, ::Window window, int width, int height)
    {
        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned int numChildren = 0;

        if (XQueryTree (display, window, &root, &parent, &children, &numChildren) == 0)
            return 0;

        ::Window found = 0;

        for (unsigned int i = 0; i < numChildren && found == 0; ++i)
        {
            found = findWindowOfSize (display, children[i], width, height);

            XWindowAttributes attributes;

            if (found == 0 && XGetWindowAttributes (display, children[i], &attributes) != 0
                && attributes.width == width && attributes.height == height && attributes.map_state == IsViewable)
                found = children[i];
        }

        if (children != nullptr)
            XFree (children);

        return found;
    }

    unsigned long pixelAt (::Display* display, ::Window window, int x, int y)
    {
        auto* image = XGetImage (display, window, x, y, 1, 1, AllPlanes, ZPixmap);

        if (image == nullptr)
            return 0;

        const auto pixel = XGetPixel (image, 0, 0);
        XDestroyImage (image);
        return pixel & 0xffffff;
    }

    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 128;

    // Plays notes into the hosted plug-in, block after block, until stopped.
    class AudioThread
    {
    public:
        explicit AudioThread (juce::AudioPluginInstance& p) : plugin (p)
        {
            thread = std::thread ([this] { run(); });
        }

        ~AudioThread()
        {
            running.store (false);
            thread.join();
        }

        int blocks() const  { return blocksDone.load(); }

    private:
        void run()
        {
            juce::AudioBuffer<float> buffer (2, blockSize);
            juce::MidiBuffer midi;
            int step = 0;

            while (running.load())
            {
                const auto note = 48 + step % 24;
                midi.clear();
                midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100), 0);
                midi.addEvent (juce::MidiMessage::controllerEvent (1, 1, step % 128), 16);
                midi.addEvent (juce::MidiMessage::noteOff (1, note), 96);
                plugin.processBlock (buffer, midi);
                ++step;
                blocksDone.fetch_add (1);

                // Roughly real time, so the message thread gets its share of two cores.
                std::this_thread::sleep_for (std::chrono::milliseconds (2));
            }
        }

        juce::AudioPluginInstance& plugin;
        std::atomic<bool> running { true };
        std::atomic<int> blocksDone { 0 };
        std::thread thread;
    };

    class HostedEditor : public testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            XSetErrorHandler (ignoreXError);
        }

        void SetUp() override
        {
            juce::OwnedArray<juce::PluginDescription> found;
            format.findAllTypesForFile (found, WARBLE_BUILT_VST3_BUNDLE);
            ASSERT_EQ (found.size(), 1);

            juce::String error;
            plugin = format.createInstanceFromDescription (*found[0], sampleRate, blockSize, error);
            ASSERT_NE (plugin, nullptr) << error;

            plugin->enableAllBuses();
            plugin->prepareToPlay (sampleRate, blockSize);
        }

        void TearDown() override
        {
            if (plugin != nullptr)
                plugin->releaseResources();
        }

        static void pumpMessages (int milliseconds)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        }

        juce::VST3PluginFormat format;
        std::unique_ptr<juce::AudioPluginInstance> plugin;
    };
}

TEST_F (HostedEditor, OpensAt500By280AndClosesWhileAudioRuns)
{
    ASSERT_TRUE (plugin->hasEditor());

    AudioThread audio (*plugin);

    for (int i = 0; i < 40; ++i)
    {
        SCOPED_TRACE (i);
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
        ASSERT_NE (editor, nullptr);
        EXPECT_EQ (editor->getWidth(), 500);
        EXPECT_EQ (editor->getHeight(), 280);

        {
            juce::DocumentWindow window ("Warble", juce::Colours::black, juce::DocumentWindow::closeButton, true);
            window.setContentNonOwned (editor.get(), true);
            window.setVisible (true);

            // The plug-in's own JUCE runs its messages, painting included, through this loop.
            pumpMessages (i % 4 == 0 ? 60 : 15);

            EXPECT_TRUE (editor->isShowing());
            EXPECT_EQ (editor->getWidth(), 500);
            EXPECT_EQ (editor->getHeight(), 280);

            window.clearContentComponent();
        }

        editor.reset();
        EXPECT_EQ (plugin->getActiveEditor(), nullptr);
        pumpMessages (5);
    }

    EXPECT_GT (audio.blocks(), 0);
}

TEST_F (HostedEditor, PaintsIntoItsEmbeddedWindow)
{
    std::unique_ptr<::Display, decltype (&XCloseDisplay)> display (XOpenDisplay (nullptr), &XCloseDisplay);
    ASSERT_NE (display, nullptr);

    std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);

    {
        juce::DocumentWindow window ("Warble", juce::Colours::black, juce::DocumentWindow::closeButton, true);
        window.setContentNonOwned (editor.get(), true);
        window.setVisible (true);

        const auto hostWindow = (::Window) (juce::pointer_sized_uint) window.getPeer()->getNativeHandle();

        // Wait, with a generous deadline, for the plug-in to embed its window and paint the
        // background, 0x030008, into it.
        ::Window pluginWindow = 0;
        unsigned long background = 0;
        const auto deadline = juce::Time::getMillisecondCounter() + 10000;

        while (background != 0x030008 && juce::Time::getMillisecondCounter() < deadline)
        {
            pumpMessages (20);
            pluginWindow = findWindowOfSize (display.get(), hostWindow, 500, 280);

            if (pluginWindow != 0)
                background = pixelAt (display.get(), pluginWindow, 5, 100);
        }

        EXPECT_NE (pluginWindow, 0u);
        EXPECT_EQ (background, 0x030008u);

        window.clearContentComponent();
    }

    // Closed as a host closes it, with its message loop still running afterwards.
    editor.reset();
    pumpMessages (20);
}
