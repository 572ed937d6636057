#pragma once

#include <juce_core/juce_core.h>

#include <cstdio>

/** A one-line progress bar, redrawn in place on a stream (stderr) only when that stream is a
    terminal, so that logs and pipes stay clean. */
class ProgressBar
{
public:
    explicit ProgressBar (std::FILE* stream);

    bool isShown() const noexcept;

    void update (juce::int64 done, juce::int64 total);

    /** Clears the bar from the line, leaving the cursor where the bar began. */
    void clear();

private:
    std::FILE* const stream;
    const bool shown;
    int lastPercent = -1;
};
