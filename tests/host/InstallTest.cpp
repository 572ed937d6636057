#include "host/PluginBundleLoader.h"

#include <gtest/gtest.h>

#include <set>

#include <unistd.h>

// Installs this build as `cmake --install` and `cpack -G DEB` do, and checks what lands where: the
// exact set of files, the package's name, dependencies and contents, and that the installed and
// unpacked bundles load through JUCE's hosting as a DAW loads them.
namespace
{
    const std::set<juce::String> installedFiles {
        "bin/warble",
        "lib/lv2/Warble.lv2/dsp.ttl",
        "lib/lv2/Warble.lv2/libWarble.so",
        "lib/lv2/Warble.lv2/manifest.ttl",
        "lib/lv2/Warble.lv2/ui.ttl",
        "lib/vst3/Warble.vst3/Contents/Resources/moduleinfo.json",
        "lib/vst3/Warble.vst3/Contents/x86_64-linux/Warble.so",
        "share/doc/warble/README.md",
    };

    // The shared libraries the binaries link (found by dpkg-shlibdeps) and the X11 libraries that
    // JUCE opens itself when it shows a window.
    const char* const requiredDependencies[] = {
        "libc6", "libstdc++6", "libgcc-s1", "libasound2", "libfreetype6", "libfontconfig1",
        "libx11-6", "libxext6", "libxcursor1", "libxinerama1", "libxrandr2",
    };

    struct ProgramRun
    {
        int exitCode = -1;
        juce::String output;
    };

    ProgramRun run (const juce::StringArray& command)
    {
        juce::ChildProcess process;
        ProgramRun result;

        if (process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        {
            result.output = process.readAllProcessOutput();

            if (process.waitForProcessToFinish (300000))
                result.exitCode = (int) process.getExitCode();
        }

        return result;
    }

    std::set<juce::String> filesBelow (const juce::File& folder)
    {
        std::set<juce::String> files;

        for (const auto& file : folder.findChildFiles (juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no))
            files.insert (file.getRelativePathFrom (folder));

        return files;
    }

    std::set<juce::String> withPrefix (const juce::String& prefix, const std::set<juce::String>& paths)
    {
        std::set<juce::String> result;

        for (const auto& path : paths)
            result.insert (prefix + path);

        return result;
    }

    class TemporaryFolder
    {
    public:
        TemporaryFolder()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("warble-install-test", {}, false))
        {
            folder.createDirectory();
        }

        ~TemporaryFolder()
        {
            folder.deleteRecursively();
        }

        const juce::File& get() const noexcept  { return folder; }

    private:
        juce::File folder;
    };

    // Every installed bundle loads and plays; the application is an executable program.
    void expectInstalledTreeWorks (const juce::File& prefix)
    {
        warble::test::expectBundlePlays (prefix.getChildFile ("lib/vst3/Warble.vst3"));
        warble::test::expectBundlePlays (prefix.getChildFile ("lib/lv2/Warble.lv2"));
        EXPECT_EQ (access (prefix.getChildFile ("bin/warble").getFullPathName().toRawUTF8(), X_OK), 0);
    }
}

TEST (Install, PutsExactlyTheBundlesTheProgramAndTheReadmeUnderThePrefix)
{
    const TemporaryFolder prefix;
    const auto installed = run ({ WARBLE_CMAKE_COMMAND, "--install", WARBLE_BUILD_DIR, "--prefix", prefix.get().getFullPathName() });
    ASSERT_EQ (installed.exitCode, 0) << installed.output;

    EXPECT_EQ (filesBelow (prefix.get()), installedFiles);
    expectInstalledTreeWorks (prefix.get());
}

TEST (Install, DebianPackageInstallsIntoUsrAndDeclaresItsDependencies)
{
    const TemporaryFolder work;
    const auto packaged = run ({ WARBLE_CPACK_COMMAND, "-G", "DEB", "--config", juce::String (WARBLE_BUILD_DIR) + "/CPackConfig.cmake",
                                 "-B", work.get().getFullPathName() });
    ASSERT_EQ (packaged.exitCode, 0) << packaged.output;

    const auto package = work.get().getChildFile ("warble_1.0.0_amd64.deb");
    ASSERT_TRUE (package.existsAsFile()) << packaged.output;

    // The contents: the same files as an install, under /usr, and nothing else.
    const auto listing = run ({ "dpkg-deb", "--contents", package.getFullPathName() });
    ASSERT_EQ (listing.exitCode, 0) << listing.output;
    std::set<juce::String> packagedFiles;

    for (const auto& line : juce::StringArray::fromLines (listing.output.trim()))
    {
        // "-rw-r--r-- root/root 1234 2026-01-01 00:00 ./usr/lib/..."
        const auto path = line.fromFirstOccurrenceOf (" ./", false, false);

        if (line.startsWith ("d"))
            EXPECT_TRUE (path.isEmpty() || path.startsWith ("usr/")) << line;
        else
            packagedFiles.insert (path);
    }

    EXPECT_EQ (packagedFiles, withPrefix ("usr/", installedFiles));

    const auto field = [&] (const char* name)
    {
        return run ({ "dpkg-deb", "--field", package.getFullPathName(), name }).output.trim();
    };

    EXPECT_EQ (field ("Package"), "warble");
    EXPECT_EQ (field ("Version"), "1.0.0");
    EXPECT_EQ (field ("Architecture"), "amd64");

    // Every dependency names a real package (this machine has them all: it built the binaries),
    // and the libraries the program needs are among them.
    const auto depends = field ("Depends");
    std::set<juce::String> dependencyNames;

    for (const auto& dependency : juce::StringArray::fromTokens (depends, ",", ""))
    {
        bool anyKnown = false;

        for (const auto& alternative : juce::StringArray::fromTokens (dependency, "|", ""))
        {
            const auto name = alternative.trim().upToFirstOccurrenceOf (" ", false, false).upToFirstOccurrenceOf (":", false, false);
            dependencyNames.insert (name);
            anyKnown = anyKnown || run ({ "dpkg-query", "--show", name }).exitCode == 0;
        }

        EXPECT_TRUE (anyKnown) << "no installed package satisfies " << dependency;
    }

    for (const auto* required : requiredDependencies)
        EXPECT_EQ (dependencyNames.count (required), 1u) << required << " missing from: " << depends;

    EXPECT_TRUE (field ("Recommends").contains ("libjack"));

    // What the package unpacks loads as the installed tree does.
    const auto unpacked = work.get().getChildFile ("unpacked");
    const auto extracted = run ({ "dpkg-deb", "--extract", package.getFullPathName(), unpacked.getFullPathName() });
    ASSERT_EQ (extracted.exitCode, 0) << extracted.output;
    expectInstalledTreeWorks (unpacked.getChildFile ("usr"));
}
