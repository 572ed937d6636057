#include "support/ChildProgram.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace warble::test
{
    namespace
    {
        /** The spawn settings, released however the start goes. */
        struct SpawnSettings
        {
            SpawnSettings()
            {
                posix_spawn_file_actions_init (&actions);
                posix_spawnattr_init (&attributes);
            }

            ~SpawnSettings()
            {
                posix_spawn_file_actions_destroy (&actions);
                posix_spawnattr_destroy (&attributes);
            }

            posix_spawn_file_actions_t actions;
            posix_spawnattr_t attributes;
        };

        std::vector<std::string> environmentFor (const ChildProgram::Settings& settings)
        {
            std::vector<std::string> environment;

            for (auto** variable = environ; *variable != nullptr; ++variable)
            {
                const auto name = juce::String (*variable).upToFirstOccurrenceOf ("=", false, false);

                if (! settings.removedEnvironment.contains (name) && settings.environment.count (name) == 0)
                    environment.emplace_back (*variable);
            }

            for (const auto& [name, value] : settings.environment)
                environment.push_back ((name + "=" + value).toStdString());

            return environment;
        }

        std::vector<char*> pointersTo (std::vector<std::string>& strings)
        {
            std::vector<char*> pointers;

            for (auto& string : strings)
                pointers.push_back (string.data());

            pointers.push_back (nullptr);
            return pointers;
        }

        void closeIfOpen (int& descriptor)
        {
            if (descriptor >= 0)
                close (descriptor);

            descriptor = -1;
        }
    }

    ChildProgram::ChildProgram (const juce::StringArray& command, const Settings& settings)
    {
        if (command.isEmpty())
        {
            exitStatus = ExitStatus::couldNotStart ("no command");
            return;
        }

        int outputPipe[2] { -1, -1 }, errorPipe[2] { -1, -1 };

        if (pipe2 (outputPipe, O_CLOEXEC) != 0 || (! settings.mergeStandardError && pipe2 (errorPipe, O_CLOEXEC) != 0))
        {
            exitStatus = ExitStatus::couldNotStart ("no pipe: " + juce::String (std::strerror (errno)));

            for (auto* descriptor : { &outputPipe[0], &outputPipe[1], &errorPipe[0], &errorPipe[1] })
                closeIfOpen (*descriptor);

            return;
        }

        SpawnSettings spawn;

        // As from a shell: nothing to read, every signal at its default and none blocked, and a
        // process group of its own so that a kill reaches whatever it starts.
        posix_spawn_file_actions_addopen (&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2 (&spawn.actions, outputPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2 (&spawn.actions, settings.mergeStandardError ? outputPipe[1] : errorPipe[1], STDERR_FILENO);

        if (settings.workingDirectory != juce::File())
            posix_spawn_file_actions_addchdir_np (&spawn.actions, settings.workingDirectory.getFullPathName().toRawUTF8());

        sigset_t noSignals, allSignals;
        sigemptyset (&noSignals);
        sigfillset (&allSignals);
        posix_spawnattr_setsigmask (&spawn.attributes, &noSignals);
        posix_spawnattr_setsigdefault (&spawn.attributes, &allSignals);
        posix_spawnattr_setpgroup (&spawn.attributes, 0);
        posix_spawnattr_setflags (&spawn.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

        std::vector<std::string> arguments;

        for (const auto& argument : command)
            arguments.push_back (argument.toStdString());

        auto environment = environmentFor (settings);
        auto argumentPointers = pointersTo (arguments);
        auto environmentPointers = pointersTo (environment);

        const auto failure = posix_spawnp (&pid, argumentPointers[0], &spawn.actions, &spawn.attributes,
                                           argumentPointers.data(), environmentPointers.data());
        closeIfOpen (outputPipe[1]);
        closeIfOpen (errorPipe[1]);

        if (failure != 0)
        {
            pid = -1;
            exitStatus = ExitStatus::couldNotStart (command[0] + ": " + juce::String (std::strerror (failure)));
            closeIfOpen (outputPipe[0]);
            closeIfOpen (errorPipe[0]);
            return;
        }

        reader = std::thread ([this, out = outputPipe[0], err = errorPipe[0]] { readUntilClosed (out, err); });
    }

    ChildProgram::ChildProgram (const juce::StringArray& command)
        : ChildProgram (command, Settings {})
    {
    }

    ChildProgram::~ChildProgram()
    {
        if (isRunning())
            killAndReap (std::nullopt);
    }

    bool ChildProgram::isRunning()
    {
        if (pid <= 0 || exitStatus.has_value())
            return false;

        int waitStatus = 0;
        const auto waited = waitpid (pid, &waitStatus, WNOHANG);

        if (waited == pid)
            recordEnd (ExitStatus::fromWaitStatus (waitStatus));
        else if (waited < 0 && errno != EINTR)
            recordEnd (ExitStatus::couldNotStart ("lost track of process " + juce::String (pid) + ": " + juce::String (std::strerror (errno))));

        return ! exitStatus.has_value();
    }

    std::optional<ExitStatus> ChildProgram::waitForExit (int timeoutMs)
    {
        const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
        auto pauseMs = 1;

        while (isRunning())
        {
            const auto remainingMs = deadline - juce::Time::getMillisecondCounterHiRes();

            if (remainingMs <= 0.0)
                return std::nullopt;

            juce::Thread::sleep (juce::jmin (pauseMs, (int) std::ceil (remainingMs)));
            pauseMs = juce::jmin (pauseMs * 2, 20);
        }

        return exitStatus;
    }

    ExitStatus ChildProgram::waitForExitOrKill (int timeoutMs)
    {
        if (const auto ended = waitForExit (timeoutMs))
            return *ended;

        killAndReap (ExitStatus::timedOut (timeoutMs));
        return *exitStatus;
    }

    void ChildProgram::terminate()
    {
        if (isRunning())
            ::kill (pid, SIGTERM);
    }

    void ChildProgram::kill()
    {
        if (isRunning())
            ::kill (-pid, SIGKILL);
    }

    juce::String ChildProgram::getOutput() const
    {
        const std::scoped_lock lock (outputLock);
        return juce::String::fromUTF8 (output.data(), (int) output.size());
    }

    juce::String ChildProgram::getStandardOutput() const
    {
        const std::scoped_lock lock (outputLock);
        return juce::String::fromUTF8 (standardOutput.data(), (int) standardOutput.size());
    }

    juce::String ChildProgram::getStandardError() const
    {
        const std::scoped_lock lock (outputLock);
        return juce::String::fromUTF8 (standardError.data(), (int) standardError.size());
    }

    void ChildProgram::killAndReap (const std::optional<ExitStatus>& reportedEnd)
    {
        kill();

        // It may have ended by itself just before the kill.
        if (exitStatus.has_value())
            return;

        int waitStatus = 0;

        while (waitpid (pid, &waitStatus, 0) < 0 && errno == EINTR)
        {
        }

        recordEnd (reportedEnd.value_or (ExitStatus::fromWaitStatus (waitStatus)));
    }

    void ChildProgram::recordEnd (const ExitStatus& status)
    {
        exitStatus = status;
        programEnded = true;

        // Once the reader returns, the output is complete.
        if (reader.joinable())
            reader.join();
    }

    void ChildProgram::readUntilClosed (int outputPipe, int errorPipe)
    {
        pollfd streams[2] { { outputPipe, POLLIN, 0 }, { errorPipe, POLLIN, 0 } };
        std::string* const destinations[2] { &standardOutput, &standardError };
        std::vector<char> buffer (65536);

        // Until both pipes close. Once the program has ended, what is left in them is read, and a
        // process it left behind that keeps them open in silence stops the reading after a
        // moment instead of holding it forever.
        constexpr int pollMs = 50, graceMs = 200;

        while (streams[0].fd >= 0 || streams[1].fd >= 0)
        {
            const auto ended = programEnded.load();
            const auto ready = poll (streams, 2, ended ? graceMs : pollMs);

            if (ready < 0 && errno != EINTR)
                break;

            if (ready == 0 && ended)
                break;

            for (int index = 0; index < 2 && ready > 0; ++index)
            {
                auto& stream = streams[index];

                if (stream.fd < 0 || stream.revents == 0)
                    continue;

                const auto numRead = read (stream.fd, buffer.data(), buffer.size());

                if (numRead > 0)
                {
                    const std::scoped_lock lock (outputLock);
                    destinations[index]->append (buffer.data(), (size_t) numRead);
                    output.append (buffer.data(), (size_t) numRead);
                }
                else if (numRead == 0 || (errno != EINTR && errno != EAGAIN))
                {
                    closeIfOpen (stream.fd);
                }
            }
        }

        for (auto& stream : streams)
            closeIfOpen (stream.fd);
    }
}
