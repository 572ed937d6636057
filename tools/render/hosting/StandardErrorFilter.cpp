#include "StandardErrorFilter.h"

#include <unistd.h>

StandardErrorFilter::StandardErrorFilter (LinePredicate predicate)
    : isHarmless (std::move (predicate))
{
    std::fflush (stderr);
    heldBack = std::tmpfile();

    if (heldBack == nullptr)
        return;

    savedStandardError = dup (STDERR_FILENO);

    // Without a copy of the real stream there is no way back to it, so nothing is held back.
    if (savedStandardError < 0 || dup2 (fileno (heldBack), STDERR_FILENO) < 0)
    {
        if (savedStandardError >= 0)
            close (savedStandardError);

        savedStandardError = -1;
        std::fclose (heldBack);
        heldBack = nullptr;
    }
}

StandardErrorFilter::~StandardErrorFilter()
{
    if (heldBack == nullptr)
        return;

    std::fflush (stderr);
    dup2 (savedStandardError, STDERR_FILENO);
    close (savedStandardError);

    juce::MemoryOutputStream text;
    std::rewind (heldBack);
    char chunk[4096];

    for (size_t read; (read = std::fread (chunk, 1, sizeof (chunk), heldBack)) > 0;)
        text.write (chunk, read);

    std::fclose (heldBack);

    for (const auto& line : juce::StringArray::fromLines (text.toUTF8()))
        if (line.isNotEmpty() && ! isHarmless (line))
            std::fprintf (stderr, "%s\n", line.toRawUTF8());

    std::fflush (stderr);
}
