#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

TEST (HostedPlugin, LoadsTheBuiltBundle)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, WARBLE_BUILT_VST3_BUNDLE);
    ASSERT_EQ (found.size(), 1);
    EXPECT_EQ (found[0]->name, "Warble");
}
