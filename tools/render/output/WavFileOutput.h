#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

/** Writes a 32-bit float WAV file so that the target only ever appears complete: the audio goes
    to a hidden temporary file beside the target, which replaces the target in one rename when
    the file is committed. If it is never committed, the temporary file is deleted and the
    target, if one existed, is left as it was. */
class WavFileOutput
{
public:
    WavFileOutput() = default;
    ~WavFileOutput();

    /** Checks the target and opens the temporary file. */
    juce::Result open (const juce::File& target, double sampleRate, int numChannels);

    juce::Result write (const juce::AudioBuffer<float>& block);

    /** Finishes the file and moves it into place. */
    juce::Result commit();

private:
    void discard();

    juce::File target;
    std::unique_ptr<juce::TemporaryFile> temporary;
    juce::FileOutputStream* stream = nullptr;
    std::unique_ptr<juce::AudioFormatWriter> writer;

    JUCE_DECLARE_NON_COPYABLE (WavFileOutput)
};
