#include "RenderTestSupport.h"
#include "hosting/PluginLocator.h"

#include <gtest/gtest.h>

// Where warble-render looks for Warble.vst3 when no --plugin names one, and what it says when it
// finds none.
namespace
{
    const juce::File buildFolder ("/src/warble/build/release");
    const juce::File builtBundle ("/src/warble/build/release/Warble_artefacts/Release/VST3/Warble.vst3");
    const juce::File home ("/home/player");

    juce::StringArray pathsOf (const juce::Array<juce::File>& files)
    {
        juce::StringArray paths;

        for (const auto& file : files)
            paths.add (file.getFullPathName());

        return paths;
    }
}

TEST (PluginLocator, SearchesTheBuildOnlyWhenRunFromItThenTheHostFoldersThenItsOwnPrefix)
{
    const juce::StringArray hostFolders { "/home/player/.vst3/Warble.vst3", "/usr/lib/vst3/Warble.vst3",
                                          "/usr/local/lib/vst3/Warble.vst3" };

    auto fromBuild = hostFolders;
    fromBuild.insert (0, builtBundle.getFullPathName());
    fromBuild.add ("/src/warble/build/release/lib/vst3/Warble.vst3");
    EXPECT_EQ (pathsOf (PluginLocator::getSearchPath (buildFolder.getChildFile ("tools/warble-render"), buildFolder, builtBundle, home)),
               fromBuild);

    // Installed under /usr, its own prefix is already on the path; under another prefix it comes last.
    EXPECT_EQ (pathsOf (PluginLocator::getSearchPath (juce::File ("/usr/bin/warble-render"), buildFolder, builtBundle, home)),
               hostFolders);

    auto fromPrefix = hostFolders;
    fromPrefix.add ("/opt/warble/lib/vst3/Warble.vst3");
    EXPECT_EQ (pathsOf (PluginLocator::getSearchPath (juce::File ("/opt/warble/bin/warble-render"), buildFolder, builtBundle, home)),
               fromPrefix);
}

TEST (PluginLocator, TakesTheFirstBundleThatExistsOrListsWhereItLooked)
{
    const RenderTestSupport::TemporaryFolder folder;
    const juce::Array<juce::File> searchPath { folder.getFile ("a/Warble.vst3"), folder.getFile ("b/Warble.vst3"),
                                               folder.getFile ("c/Warble.vst3") };
    juce::File found;

    const auto none = PluginLocator::locate (searchPath, found);
    ASSERT_TRUE (none.failed());
    EXPECT_EQ (none.getErrorMessage(), "no Warble.vst3 found; looked for " + pathsOf (searchPath).joinIntoString (", ")
                                           + "; name one with --plugin PATH");

    ASSERT_TRUE (searchPath[2].createDirectory().wasOk());
    ASSERT_TRUE (searchPath[1].createDirectory().wasOk());
    ASSERT_TRUE (PluginLocator::locate (searchPath, found).wasOk());
    EXPECT_EQ (found, searchPath[1]);
}
