#include "support/ChildProgram.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

#include <jack/jack.h>

#include <atomic>
#include <cmath>

// The built application as a user meets it on a desktop that runs JACK: started with no saved
// settings on a JACK server (the dummy driver, so no sound card is needed), it finds JACK and
// connects its outputs to the system's playback ports by itself; a key typed into its window
// with xdotool sounds, recorded by a JACK client of the test's own, at the typed note's pitch and
// never above full scale.
namespace
{
    using warble::test::ChildProgram;

    constexpr double sampleRate = 48000.0;
    constexpr int deadlineMs = 30000;

    /** Waits until the condition holds, running nothing else; false at the deadline. */
    template <typename Condition>
    bool waitUntil (Condition condition, int timeoutMs = deadlineMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;

            juce::Thread::sleep (50);
        }

        return true;
    }

    juce::String run (const juce::StringArray& command, const ChildProgram::Settings& settings)
    {
        ChildProgram program (command, settings);
        const auto status = program.waitForExitOrKill (deadlineMs);
        return status == 0 ? program.getStandardOutput() : juce::String();
    }

    /** A JACK client that records two ports into memory, as floats, until it is stopped. */
    class JackRecorder
    {
    public:
        JackRecorder (const juce::String& serverName, int maxSamples)
            : left ((size_t) maxSamples), right ((size_t) maxSamples)
        {
            jack_status_t status {};
            client = jack_client_open ("warble-test-recorder", (jack_options_t) (JackNoStartServer | JackServerName),
                                       &status, serverName.toRawUTF8());

            if (client == nullptr)
                return;

            inputs[0] = jack_port_register (client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
            inputs[1] = jack_port_register (client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
            jack_set_process_callback (client, process, this);
            jack_activate (client);
        }

        ~JackRecorder()
        {
            if (client != nullptr)
            {
                jack_deactivate (client);
                jack_client_close (client);
            }
        }

        bool isOpen() const noexcept  { return client != nullptr; }

        bool connect (const juce::String& sourcePrefix)
        {
            return jack_connect (client, (sourcePrefix + "1").toRawUTF8(), jack_port_name (inputs[0])) == 0
                && jack_connect (client, (sourcePrefix + "2").toRawUTF8(), jack_port_name (inputs[1])) == 0;
        }

        void start()  { recording = true; }
        void stop()   { recording = false; }

        /** How many samples have been recorded so far. */
        int getLength() const noexcept  { return recorded.load(); }

        /** One channel of what was recorded. */
        std::vector<float> channel (int index) const
        {
            const auto& samples = index == 0 ? left : right;
            return { samples.begin(), samples.begin() + recorded.load() };
        }

    private:
        static int process (jack_nframes_t frames, void* argument)
        {
            auto& self = *static_cast<JackRecorder*> (argument);

            if (! self.recording)
                return 0;

            const auto* l = static_cast<const float*> (jack_port_get_buffer (self.inputs[0], frames));
            const auto* r = static_cast<const float*> (jack_port_get_buffer (self.inputs[1], frames));
            const auto start = (size_t) self.recorded.load();
            const auto count = std::min ((size_t) frames, self.left.size() - start);
            std::copy (l, l + count, self.left.begin() + (long) start);
            std::copy (r, r + count, self.right.begin() + (long) start);
            self.recorded += (int) count;
            return 0;
        }

        jack_client_t* client = nullptr;
        jack_port_t* inputs[2] {};
        std::vector<float> left, right;
        std::atomic<bool> recording { false };
        std::atomic<int> recorded { 0 };
    };

    /** The strongest frequency of a stretch, to a fraction of a bin. */
    double strongestFrequency (const float* samples, int numSamples)
    {
        constexpr int order = 17;
        constexpr int size = 1 << order;
        std::vector<float> data (size * 2, 0.0f);
        const auto count = std::min (numSamples, size);
        juce::dsp::WindowingFunction<float> window ((size_t) count, juce::dsp::WindowingFunction<float>::hann, false);
        std::copy (samples, samples + count, data.begin());
        window.multiplyWithWindowingTable (data.data(), (size_t) count);
        juce::dsp::FFT (order).performFrequencyOnlyForwardTransform (data.data());

        auto best = 1;

        for (int bin = 2; bin < size / 2 - 1; ++bin)
            if (data[(size_t) bin] > data[(size_t) best])
                best = bin;

        // The peak of the parabola through the three bins around it, on a logarithmic scale.
        const auto a = std::log (data[(size_t) best - 1]), b = std::log (data[(size_t) best]), c = std::log (data[(size_t) best + 1]);
        const auto offset = 0.5 * (a - c) / (a - 2.0 * b + c);
        return (best + offset) * sampleRate / size;
    }
}

TEST (AppOnJack, FindsJackByItselfAndATypedKeySoundsAtItsPitch)
{
    const auto serverName = "warble-test-" + juce::String (getpid());
    const auto home = juce::File::createTempFile ("home");
    ASSERT_TRUE (home.createDirectory());

    ChildProgram::Settings settings;
    settings.environment["JACK_DEFAULT_SERVER"] = serverName;
    settings.environment["HOME"] = home.getFullPathName();
    settings.mergeStandardError = true;

    ChildProgram server ({ "jackd", "--no-realtime", "--name", serverName, "-d", "dummy", "-r", "48000", "-p", "256" }, settings);
    ASSERT_TRUE (waitUntil ([&] { return run ({ "jack_lsp" }, settings).contains ("system:playback_1"); }))
        << server.getOutput();

    ChildProgram app ({ WARBLE_BUILT_STANDALONE }, settings);

    // Its outputs appear and are connected to the playback ports, with no settings to say so.
    juce::String connections;
    ASSERT_TRUE (waitUntil ([&]
    {
        connections = run ({ "jack_lsp", "-c" }, settings);
        return connections.contains ("Warble:out_1\n   system:playback_1") && connections.contains ("Warble:out_2\n   system:playback_2");
    })) << connections << app.getOutput();

    auto recorder = std::make_unique<JackRecorder> (serverName, (int) sampleRate * 6);
    ASSERT_TRUE (recorder->isOpen());
    ASSERT_TRUE (recorder->connect ("Warble:out_"));

    juce::String windowId;
    ASSERT_TRUE (waitUntil ([&]
    {
        windowId = run ({ "xdotool", "search", "--name", "^Warble$" }, settings).trim();
        return windowId.isNotEmpty();
    })) << app.getOutput();

    windowId = juce::StringArray::fromLines (windowId)[0];
    ASSERT_EQ (ChildProgram ({ "xdotool", "windowfocus", windowId }, settings).waitForExitOrKill (deadlineMs), 0);
    juce::Thread::sleep (500);

    // A held for a second and a half: middle C.
    recorder->start();
    juce::Thread::sleep (300);
    const auto keyPressed = recorder->getLength();
    ASSERT_EQ (ChildProgram ({ "xdotool", "keydown", "a" }, settings).waitForExitOrKill (deadlineMs), 0);
    juce::Thread::sleep (1500);
    ASSERT_EQ (ChildProgram ({ "xdotool", "keyup", "a" }, settings).waitForExitOrKill (deadlineMs), 0);
    juce::Thread::sleep (1000);
    recorder->stop();
    const auto left = recorder->channel (0), right = recorder->channel (1);
    recorder = nullptr;

    app.terminate();
    EXPECT_EQ (app.waitForExitOrKill (deadlineMs), 0) << app.getOutput();
    server.terminate();
    server.waitForExitOrKill (deadlineMs);

    ASSERT_GT (left.size(), (size_t) sampleRate * 2);

    auto peak = 0.0f;
    auto energy = 0.0;

    for (const auto& samples : { left, right })
        for (const auto x : samples)
        {
            peak = std::max (peak, std::abs (x));
            energy += (double) x * x;
        }

    const auto rms = std::sqrt (energy / (2.0 * (double) left.size()));
    std::cout << "recorded " << left.size() / sampleRate << " s, peak " << juce::Decibels::gainToDecibels (peak)
              << " dBFS, RMS " << juce::Decibels::gainToDecibels ((float) rms) << " dBFS" << std::endl;
    EXPECT_GT (rms, juce::Decibels::decibelsToGain (-50.0)) << "the typed key made no sound";
    EXPECT_LE (peak, 1.0f);

    // From the key press (counted from before xdotool starts, to within a JACK period) to the first
    // sample of the note.
    const auto onset = std::find_if (left.begin(), left.end(), [] (float x) { return std::abs (x) > 1.0e-4f; });
    ASSERT_NE (onset, left.end());
    EXPECT_GE (onset - left.begin(), keyPressed) << "sound before the key was pressed";
    std::cout << "key press to sound: " << 1000.0 * (double) ((onset - left.begin()) - keyPressed) / sampleRate
              << " ms (256-sample JACK periods at 48 kHz, xdotool's start included)" << std::endl;

    // A second of the held note, clear of its attack and of its release 1.5 s after the press.
    const auto heldStart = (int) (onset - left.begin()) + (int) (0.25 * sampleRate);
    const auto second = (int) sampleRate;
    ASSERT_LE (heldStart + second, (int) left.size());
    const auto frequency = strongestFrequency (left.data() + heldStart, second);
    const auto cents = 1200.0 * std::log2 (frequency / 261.6256);
    std::cout << "strongest frequency " << frequency << " Hz, " << cents << " cents from middle C" << std::endl;
    EXPECT_LT (std::abs (cents), 5.0);

    // The set-up it found is kept for the next start.
    const auto saved = home.getChildFile (".config/Warble.settings").loadFileAsString();
    EXPECT_TRUE (saved.contains ("deviceType=\"JACK\"") || saved.contains ("deviceType=&quot;JACK&quot;")) << saved;
    home.deleteRecursively();
}
