#include "PngFileOutput.h"

#include "OutputTarget.h"

juce::Result PngFileOutput::write (const juce::Image& image, const juce::File& target)
{
    if (const auto checked = OutputTarget::check (target); checked.failed())
        return checked;

    const auto path = target.getFullPathName();
    juce::TemporaryFile temporary (target, juce::TemporaryFile::useHiddenFile);

    {
        juce::FileOutputStream stream (temporary.getFile());

        if (! stream.openedOk())
            return juce::Result::fail ("cannot write " + path + ": " + stream.getStatus().getErrorMessage());

        if (! juce::PNGImageFormat().writeImageToStream (image, stream))
            return juce::Result::fail ("cannot write " + path + ": the PNG encoder failed");

        stream.flush();

        if (stream.getStatus().failed())
            return juce::Result::fail ("cannot write " + path + ": " + stream.getStatus().getErrorMessage());
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        return juce::Result::fail ("cannot move the finished file into place at " + path);

    return juce::Result::ok();
}
