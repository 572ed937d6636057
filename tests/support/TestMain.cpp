#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// Every test binary runs its tests on a JUCE message thread, as a host runs a plug-in's editor
// and state calls.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
