#include "support/ProgramRun.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

// The runner every test that starts a program relies on: a crash must not pass for success, a
// hang must end at its deadline, and output must be read while the program runs.
namespace
{
    using warble::test::ChildProgram;
    using warble::test::ExitStatus;
    using warble::test::runProgram;

    juce::StringArray shell (const juce::String& script)
    {
        return { "/bin/sh", "-c", script };
    }

    /** A process's state letter from /proc ('Z' for a zombie), or 0 once it is gone. */
    char processState (int pid)
    {
        const auto stat = juce::File ("/proc/" + juce::String (pid) + "/stat").loadFileAsString();
        const auto afterName = stat.fromLastOccurrenceOf (") ", false, false);
        return afterName.isEmpty() ? 0 : (char) afterName[0];
    }
}

TEST (ChildProgram, ReportsHowAProgramEnded)
{
    const struct
    {
        juce::StringArray command;
        ExitStatus::Kind kind;
        int status;
        const char* description;
    } cases[] = {
        { shell ("exit 0"), ExitStatus::Kind::exited, 0, "exited with status 0" },
        { shell ("exit 3"), ExitStatus::Kind::exited, 3, "exited with status 3" },
        { shell ("ulimit -c 0; kill -ABRT $$"), ExitStatus::Kind::killedBySignal, -1, "killed by SIGABRT (Aborted)" },
        { shell ("ulimit -c 0; kill -SEGV $$"), ExitStatus::Kind::killedBySignal, -1, "killed by SIGSEGV (Segmentation fault)" },
        { { "/nonexistent/warble-nothing" }, ExitStatus::Kind::couldNotStart, -1,
          "could not start: /nonexistent/warble-nothing: No such file or directory" },
    };

    for (const auto& testCase : cases)
    {
        SCOPED_TRACE (testCase.description);
        const auto run = runProgram (testCase.command, {}, 10000);

        EXPECT_EQ (run.exitCode.getKind(), testCase.kind);
        EXPECT_EQ (run.exitCode.getStatus(), testCase.status);
        EXPECT_EQ (run.exitCode.describe(), testCase.description);

        // Only a program that exited by itself with 0 passes for success, and a check that
        // it did says how it ended instead.
        if (testCase.status != 0)
        {
            EXPECT_FALSE (run.exitCode == 0);
            EXPECT_NONFATAL_FAILURE (EXPECT_EQ (run.exitCode, 0), testCase.description);
        }
    }
}

TEST (ChildProgram, KillsAHangAtItsDeadlineWithWhatItStarted)
{
    // It says it has started, leaves a process of its own holding its output open, and hangs.
    ChildProgram hang (shell ("echo started; sleep 60 & echo $!; sleep 60"));
    const auto linesWritten = [&] { return juce::StringArray::fromLines (hang.getStandardOutput().trimEnd()); };
    const auto startDeadline = juce::Time::getMillisecondCounter() + 10000;

    while (linesWritten().size() < 2 && juce::Time::getMillisecondCounter() < startDeadline)
        juce::Thread::sleep (5);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    const auto ended = hang.waitForExitOrKill (300);
    const auto elapsedMs = juce::Time::getMillisecondCounterHiRes() - start;

    EXPECT_EQ (ended.getKind(), ExitStatus::Kind::timedOut);
    EXPECT_EQ (ended.describe(), "still running after 300 ms, so killed");
    EXPECT_GE (elapsedMs, 300.0);
    EXPECT_LT (elapsedMs, 3000.0);

    // What it wrote before the deadline is kept, and what it started went with it.
    const auto lines = linesWritten();
    ASSERT_EQ (lines.size(), 2) << hang.getOutput();
    EXPECT_EQ (lines[0], "started");
    const auto leftBehind = lines[1].getIntValue();
    ASSERT_GT (leftBehind, 0);

    auto state = processState (leftBehind);

    for (int i = 0; i < 100 && state != 0 && state != 'Z'; ++i, state = processState (leftBehind))
        juce::Thread::sleep (10);

    EXPECT_TRUE (state == 0 || state == 'Z') << "process " << leftBehind << " outlived the deadline, state " << state;
}

TEST (ChildProgram, ReadsEachStreamWhileTheProgramRuns)
{
    // Far more than a pipe holds: read while it runs, it cannot stall on a full pipe.
    const auto large = runProgram (shell ("yes x | head -c 1048576; echo done >&2"), {}, 10000);
    EXPECT_EQ (large.exitCode, 0);
    EXPECT_EQ (large.standardOutput.length(), 1048576);
    EXPECT_EQ (large.standardError, "done\n");
    EXPECT_EQ (large.output.length(), 1048576 + 5);

    // Merged, the streams keep the order they were written in.
    ChildProgram::Settings merged;
    merged.mergeStandardError = true;
    const auto interleaved = runProgram (shell ("echo one; echo two >&2; echo three"), merged, 10000);
    EXPECT_EQ (interleaved.exitCode, 0);
    EXPECT_EQ (interleaved.output, "one\ntwo\nthree\n");
    EXPECT_EQ (interleaved.standardError, "");

    // In the background: what it wrote is there before it ends, and SIGTERM ends it.
    ChildProgram background (shell ("echo ready; exec sleep 60"));
    ASSERT_TRUE (background.started());
    const auto deadline = juce::Time::getMillisecondCounter() + 5000;

    while (! background.getOutput().contains ("ready") && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep (5);

    EXPECT_EQ (background.getOutput(), "ready\n");
    EXPECT_TRUE (background.isRunning());
    EXPECT_FALSE (background.waitForExit (50).has_value());

    background.terminate();
    const auto ended = background.waitForExit (5000);
    ASSERT_TRUE (ended.has_value());
    EXPECT_EQ (ended->describe(), "killed by SIGTERM (Terminated)");
    EXPECT_FALSE (background.isRunning());
}

TEST (ChildProgram, StartsInItsFolderWithItsOwnEnvironment)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("warble-runner-test-" + juce::Uuid().toString(), {}, false);
    ASSERT_TRUE (folder.createDirectory().wasOk());
    ASSERT_TRUE (folder.getChildFile ("marker").replaceWithText ("here\n", false, false, "\n"));

    ChildProgram::Settings settings;
    settings.workingDirectory = folder;
    settings.environment["WARBLE_RUNNER_SETTING"] = "set";
    settings.removedEnvironment.add ("HOME");

    const auto run = runProgram (shell ("cat marker; echo \"$WARBLE_RUNNER_SETTING,${HOME-none}\""), settings, 10000);
    folder.deleteRecursively();

    EXPECT_EQ (run.exitCode, 0) << run.output;
    EXPECT_EQ (run.standardOutput, "here\nset,none\n");

    // A folder that does not exist: the program cannot start there.
    settings.workingDirectory = folder;
    EXPECT_EQ (runProgram ({ "/bin/true" }, settings, 10000).exitCode.getKind(), ExitStatus::Kind::couldNotStart);
}
