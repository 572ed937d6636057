#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

/** The command line of warble-render, checked for everything that can be checked without
    loading the plug-in. */
class RenderOptions
{
public:
    /** A parameter to set, by the instrument's identifier, to a real value in its own units. */
    struct ParameterSetting
    {
        juce::String id;
        double value = 0.0;
    };

    static constexpr int minimumSampleRate = 8000;
    static constexpr int maximumSampleRate = 384000;
    static constexpr int minimumBlockSize = 1;
    static constexpr int maximumBlockSize = 8192;
    static constexpr double maximumTailSeconds = 60.0;
    /** Without --tail, the render ends once the output has stayed below quietDecibels for
        quietSeconds after the last event, and at most longestQuietTailSeconds after it. */
    static constexpr double quietDecibels = -90.0;
    static constexpr double quietSeconds = 0.1;
    static constexpr double longestQuietTailSeconds = 30.0;
    static constexpr double maximumMaxLengthMinutes = 24.0 * 60.0;

    /** No file means the built-in demo. */
    juce::File midiFile;
    juce::File outputFile;
    /** No file means no spectrogram. */
    juce::File spectrogramFile;
    int sampleRate = 48000;
    int blockSize = 512;
    int numChannels = 2;
    /** Seconds rendered after the last event; none means until the output falls quiet. */
    std::optional<double> tailSeconds;
    /** Longer performances are refused before anything is rendered. */
    double maxLengthMinutes = 60.0;
    std::vector<ParameterSetting> parameterSettings;
    /** No file means the bundle that PluginLocator finds. */
    juce::File pluginBundle;
    /** A factory preset, set before the --set values; empty for none. */
    juce::String presetName;
    bool helpRequested = false;
    bool presetListRequested = false;

    /** Fills options from the arguments (without the program name). Relative paths are taken
        from workingDirectory. Fails with a message that names the offending argument. */
    static juce::Result parse (const juce::StringArray& arguments, const juce::File& defaultPluginBundle,
                               const juce::File& workingDirectory, RenderOptions& options);

    /** Fails, saying how long the performance is, when it lasts longer than maxLengthMinutes. */
    juce::Result checkPerformanceLength (double endTimeInSeconds) const;

    static juce::String getUsage();
};
