#pragma once

#include <juce_core/juce_core.h>

/** The checks every output file passes before any work is done for it. */
namespace OutputTarget
{
    /** Whether a file can be written at target: it is not a folder, its folder exists, and an
        existing file there may be replaced. */
    inline juce::Result check (const juce::File& target)
    {
        const auto path = target.getFullPathName();
        const auto directory = target.getParentDirectory();

        if (target.isDirectory())
            return juce::Result::fail ("cannot write " + path + ": it is a directory");

        if (! directory.isDirectory())
            return juce::Result::fail ("cannot write " + path + ": the folder " + directory.getFullPathName()
                                       + " does not exist");

        if (target.exists() && ! target.hasWriteAccess())
            return juce::Result::fail ("cannot write " + path + ": permission denied");

        return juce::Result::ok();
    }
}
