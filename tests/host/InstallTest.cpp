#include "host/PluginBundleLoader.h"
#include "presets/FactoryPresetBank.h"
#include "support/ProgramRun.h"

#include <gtest/gtest.h>

#include <set>

#include <unistd.h>

// Installs this build as `cmake --install` and `cpack -G DEB` do, and checks what lands where: the
// exact set of files, the package's name, dependencies and contents, that the installed and
// unpacked bundles load through JUCE's hosting as a DAW loads them, that the installed
// warble-render finds its bundle by itself, and that Debian's own checkers pass the desktop entry,
// the AppStream metadata, the manual pages and the package.
namespace
{
    constexpr auto appId = "com.kestrelworks.warble";

    std::set<juce::String> getInstalledFiles()
    {
        std::set<juce::String> files {
            "bin/warble",
            "bin/warble-render",
            "lib/clap/Warble.clap",
            "lib/lv2/Warble.lv2/dsp.ttl",
            "lib/lv2/Warble.lv2/libWarble.so",
            "lib/lv2/Warble.lv2/manifest.ttl",
            "lib/lv2/Warble.lv2/ui.ttl",
            "lib/vst3/Warble.vst3/Contents/Resources/moduleinfo.json",
            "lib/vst3/Warble.vst3/Contents/x86_64-linux/Warble.so",
            "share/applications/" + juce::String (appId) + ".desktop",
            "share/metainfo/" + juce::String (appId) + ".metainfo.xml",
            "share/icons/hicolor/scalable/apps/" + juce::String (appId) + ".svg",
            "share/man/man1/warble.1.gz",
            "share/man/man1/warble-render.1.gz",
            "share/doc/warble/README.md",
            "share/doc/warble/changelog.gz",
            "share/doc/warble/copyright",
        };

        for (const auto size : { 16, 24, 32, 48, 64, 128, 256 })
            files.insert ("share/icons/hicolor/" + juce::String (size) + "x" + juce::String (size) + "/apps/" + appId + ".png");

        for (const auto& preset : FactoryPresetBank::getInstance().getPresets())
        {
            files.insert ("lib/lv2/Warble.lv2/preset-" + FactoryPresetBank::toSlug (preset.name) + ".ttl");
            files.insert ("share/vst3/presets/KestrelWorks/Warble/" + preset.name + ".vstpreset");
        }

        return files;
    }

    const std::set<juce::String> installedFiles = getInstalledFiles();

    // The shared libraries the binaries link (found by dpkg-shlibdeps) and the X11 libraries that
    // JUCE opens itself when it shows a window.
    const char* const requiredDependencies[] = {
        "libc6", "libstdc++6", "libgcc-s1", "libasound2", "libfreetype6", "libfontconfig1",
        "libx11-6", "libxext6", "libxcursor1", "libxinerama1", "libxrandr2",
    };

    using warble::test::runProgram;

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
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("warble-install-test-" + juce::Uuid().toString(), {}, false))
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

    /** The files a Markdown text links to or shows by a relative path, as [text](path),
        ![text](path) or <img src="path">, without any #fragment. */
    juce::StringArray findLocalLinks (const juce::String& markdown)
    {
        juce::StringArray links;

        const auto collect = [&] (const juce::String& opening, const juce::String& closing)
        {
            for (auto start = markdown.indexOf (opening); start >= 0; start = markdown.indexOf (start + 1, opening))
            {
                const auto from = start + opening.length();
                const auto target = markdown.substring (from, markdown.indexOf (from, closing))
                                        .upToFirstOccurrenceOf ("#", false, false).trim();

                if (target.isNotEmpty() && ! target.contains (":"))
                    links.add (target);
            }
        };

        collect ("](", ")");
        collect ("src=\"", "\"");
        return links;
    }

    // Every installed bundle loads and plays; the application is an executable program.
    void expectInstalledTreeWorks (const juce::File& prefix)
    {
        warble::test::expectBundlePlays (prefix.getChildFile ("lib/vst3/Warble.vst3"));
        warble::test::expectBundlePlays (prefix.getChildFile ("lib/lv2/Warble.lv2"));
        EXPECT_EQ (access (prefix.getChildFile ("bin/warble").getFullPathName().toRawUTF8(), X_OK), 0);
    }

    /** A checker's verdict: it passes when it exits with 0 and no line of its report opens with,
        or names after a space, one of the complaints (its tags for an error and a warning). */
    void expectCheckerPasses (const juce::StringArray& command, const juce::StringArray& complaints)
    {
        const auto checked = runProgram (command);
        EXPECT_EQ (checked.exitCode, 0) << command.joinIntoString (" ") << ":\n" << checked.output;

        for (const auto& line : juce::StringArray::fromLines (checked.output))
            for (const auto& complaint : complaints)
                EXPECT_FALSE (line.startsWith (complaint) || line.contains (" " + complaint)) << command.joinIntoString (" ") << ":\n" << checked.output;
    }
}

TEST (Install, PutsExactlyTheBundlesTheProgramAndTheReadmeUnderThePrefix)
{
    const TemporaryFolder prefix;
    const auto installed = runProgram ({ WARBLE_CMAKE_COMMAND, "--install", WARBLE_BUILD_DIR, "--prefix", prefix.get().getFullPathName() });
    ASSERT_EQ (installed.exitCode, 0) << installed.output;

    EXPECT_EQ (filesBelow (prefix.get()), installedFiles);
    expectInstalledTreeWorks (prefix.get());

    // The README installed is the user's: how to play, nothing about building, and no link to a
    // file or picture that is not installed beside it.
    const auto docFolder = prefix.get().getChildFile ("share/doc/warble");
    const auto readme = docFolder.getChildFile ("README.md").loadFileAsString();
    EXPECT_TRUE (readme.contains ("Playing the application")) << readme;
    EXPECT_FALSE (readme.contains ("cmake --build") || readme.contains ("scripts/")) << readme;

    for (const auto& link : findLocalLinks (readme))
        EXPECT_TRUE (docFolder.getChildFile (link).exists()) << "the README links " << link << ", which is not installed";
}

TEST (Install, TheInstalledRendererFindsTheInstalledBundleByItself)
{
    const TemporaryFolder prefix;
    const auto installed = runProgram ({ WARBLE_CMAKE_COMMAND, "--install", WARBLE_BUILD_DIR, "--prefix", prefix.get().getFullPathName() });
    ASSERT_EQ (installed.exitCode, 0) << installed.output;

    // No --plugin: the test's home has no ~/.vst3, so the bundle found is the prefix's own unless
    // Warble is installed system-wide, which would serve as well.
    const auto demo = prefix.get().getChildFile ("demo.wav");
    const auto rendered = runProgram ({ prefix.get().getChildFile ("bin/warble-render").getFullPathName(), "--out", demo.getFullPathName() });
    ASSERT_EQ (rendered.exitCode, 0) << rendered.output;
    EXPECT_TRUE (rendered.output.contains (" s, 48000 Hz, stereo, peak ")) << rendered.output;
    EXPECT_GT (demo.getSize(), 4 * 48000 * 2 * 10);

    // Moved away, the bundle is missing, and the error says where it was looked for.
    ASSERT_TRUE (prefix.get().getChildFile ("lib/vst3").moveFileTo (prefix.get().getChildFile ("elsewhere")));

    if (! juce::File ("/usr/lib/vst3/Warble.vst3").exists() && ! juce::File ("/usr/local/lib/vst3/Warble.vst3").exists())
    {
        const auto missing = runProgram ({ prefix.get().getChildFile ("bin/warble-render").getFullPathName(), "--out", demo.getFullPathName() });
        EXPECT_EQ (missing.exitCode, 1);
        EXPECT_TRUE (missing.output.contains ("no Warble.vst3 found; looked for " + juce::File::getSpecialLocation (juce::File::userHomeDirectory)
                                                  .getChildFile (".vst3/Warble.vst3").getFullPathName()
                                              + ", /usr/lib/vst3/Warble.vst3, /usr/local/lib/vst3/Warble.vst3, "
                                              + prefix.get().getChildFile ("lib/vst3/Warble.vst3").getFullPathName()))
            << missing.output;
    }
}

TEST (Install, TheDesktopEntryMetadataAndManualPagesPassDebiansCheckers)
{
    const TemporaryFolder prefix;
    const auto installed = runProgram ({ WARBLE_CMAKE_COMMAND, "--install", WARBLE_BUILD_DIR, "--prefix", prefix.get().getFullPathName() });
    ASSERT_EQ (installed.exitCode, 0) << installed.output;
    const auto share = prefix.get().getChildFile ("share");

    expectCheckerPasses ({ "desktop-file-validate", share.getChildFile ("applications/" + juce::String (appId) + ".desktop").getFullPathName() },
                         { "error:", "warning:" });
    expectCheckerPasses ({ "appstreamcli", "validate", "--no-net", share.getChildFile ("metainfo/" + juce::String (appId) + ".metainfo.xml").getFullPathName() },
                         { "E:", "W:" });

    // Once indexed, `man -k` finds both pages. (lintian checks their text in the package test.)
    const auto manFolder = share.getChildFile ("man");
    const auto indexed = runProgram ({ "mandb", "--quiet", "--no-straycats", manFolder.getFullPathName() });
    ASSERT_EQ (indexed.exitCode, 0) << indexed.output;
    const auto listing = runProgram ({ "env", "MANPATH=" + manFolder.getFullPathName(), "man", "-k", "warble" });
    EXPECT_EQ (listing.exitCode, 0) << listing.output;
    EXPECT_TRUE (listing.output.contains ("warble (1)")) << listing.output;
    EXPECT_TRUE (listing.output.contains ("warble-render (1)")) << listing.output;
}

TEST (Install, DebianPackageInstallsIntoUsrAndDeclaresItsDependencies)
{
    const TemporaryFolder work;
    const auto packaged = runProgram ({ WARBLE_CPACK_COMMAND, "-G", "DEB", "--config", juce::String (WARBLE_BUILD_DIR) + "/CPackConfig.cmake",
                                 "-B", work.get().getFullPathName() });
    ASSERT_EQ (packaged.exitCode, 0) << packaged.output;

    const auto package = work.get().getChildFile ("warble_1.0.0_amd64.deb");
    ASSERT_TRUE (package.existsAsFile()) << packaged.output;

    // The contents: the same files as an install, under /usr, and nothing else.
    const auto listing = runProgram ({ "dpkg-deb", "--contents", package.getFullPathName() });
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
        return runProgram ({ "dpkg-deb", "--field", package.getFullPathName(), name }).output.trim();
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
            anyKnown = anyKnown || runProgram ({ "dpkg-query", "--show", name }).exitCode == 0;
        }

        EXPECT_TRUE (anyKnown) << "no installed package satisfies " << dependency;
    }

    for (const auto* required : requiredDependencies)
        EXPECT_EQ (dependencyNames.count (required), 1u) << required << " missing from: " << depends;

    EXPECT_TRUE (field ("Recommends").contains ("libjack"));

    // Debian's package checker finds no error and no warning (info tags are explained in the README).
    expectCheckerPasses ({ "lintian", "--fail-on", "error,warning", package.getFullPathName() }, { "E: ", "W: " });

    // The description's lines fit 80 columns.
    for (const auto& line : juce::StringArray::fromLines (field ("Description")))
        EXPECT_LE (line.length(), 80) << line;

    // What the package unpacks loads as the installed tree does.
    const auto unpacked = work.get().getChildFile ("unpacked");
    const auto extracted = runProgram ({ "dpkg-deb", "--extract", package.getFullPathName(), unpacked.getFullPathName() });
    ASSERT_EQ (extracted.exitCode, 0) << extracted.output;
    expectInstalledTreeWorks (unpacked.getChildFile ("usr"));
}
