#include "ProgressBar.h"

#include <unistd.h>

namespace
{
    constexpr int barWidth = 40;
}

ProgressBar::ProgressBar (std::FILE* output)
    : stream (output),
      shown (isatty (fileno (output)) != 0)
{
}

bool ProgressBar::isShown() const noexcept
{
    return shown;
}

void ProgressBar::update (juce::int64 done, juce::int64 total)
{
    if (! shown || total <= 0)
        return;

    const auto percent = (int) juce::jlimit ((juce::int64) 0, (juce::int64) 100, done * 100 / total);

    if (percent == lastPercent)
        return;

    lastPercent = percent;
    const auto filled = percent * barWidth / 100;
    const auto bar = juce::String::repeatedString ("#", filled) + juce::String::repeatedString ("-", barWidth - filled);
    std::fprintf (stream, "\rrendering [%s] %3d %%", bar.toRawUTF8(), percent);
    std::fflush (stream);
}

void ProgressBar::clear()
{
    if (! shown || lastPercent < 0)
        return;

    std::fprintf (stream, "\r%*s\r", barWidth + 20, "");
    std::fflush (stream);
    lastPercent = -1;
}
