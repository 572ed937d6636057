#include "WavFileOutput.h"

#include "OutputTarget.h"

WavFileOutput::~WavFileOutput()
{
    discard();
}

void WavFileOutput::discard()
{
    // The writer owns the stream, which must be closed before the temporary file can go.
    writer.reset();
    stream = nullptr;
    temporary.reset();
}

juce::Result WavFileOutput::open (const juce::File& targetFile, double sampleRate, int numChannels)
{
    discard();
    target = targetFile;
    const auto path = target.getFullPathName();

    if (const auto checked = OutputTarget::check (target); checked.failed())
        return checked;

    temporary = std::make_unique<juce::TemporaryFile> (target, juce::TemporaryFile::useHiddenFile);
    auto fileStream = std::make_unique<juce::FileOutputStream> (temporary->getFile());

    if (! fileStream->openedOk())
    {
        const auto reason = fileStream->getStatus().getErrorMessage();
        fileStream.reset();
        discard();
        return juce::Result::fail ("cannot write " + path + ": " + reason);
    }

    constexpr int floatingPointBits = 32;
    juce::WavAudioFormat format;
    stream = fileStream.get();
    writer.reset (format.createWriterFor (stream, sampleRate, (unsigned int) numChannels, floatingPointBits, {}, 0));

    if (writer == nullptr)
    {
        stream = nullptr;
        fileStream.reset();
        discard();
        return juce::Result::fail ("cannot write " + path + ": WAV does not support this format");
    }

    fileStream.release();
    return juce::Result::ok();
}

juce::Result WavFileOutput::write (const juce::AudioBuffer<float>& block)
{
    jassert (writer != nullptr);

    if (! writer->writeFromAudioSampleBuffer (block, 0, block.getNumSamples()) || stream->getStatus().failed())
    {
        const auto reason = stream->getStatus().getErrorMessage();
        return juce::Result::fail ("cannot write " + target.getFullPathName() + ": "
                                   + (reason.isNotEmpty() ? reason : juce::String ("write failed")));
    }

    return juce::Result::ok();
}

juce::Result WavFileOutput::commit()
{
    jassert (writer != nullptr);
    const auto path = target.getFullPathName();

    // Flushing writes the final header; the stream reports whether that reached the disk.
    writer->flush();
    stream->flush();
    const auto status = stream->getStatus();
    writer.reset();
    stream = nullptr;

    if (status.failed())
    {
        discard();
        return juce::Result::fail ("cannot write " + path + ": " + status.getErrorMessage());
    }

    if (! temporary->overwriteTargetFileWithTemporary())
    {
        discard();
        return juce::Result::fail ("cannot move the finished file into place at " + path);
    }

    temporary.reset();
    return juce::Result::ok();
}
