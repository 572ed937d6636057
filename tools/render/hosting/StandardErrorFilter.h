#pragma once

#include <juce_core/juce_core.h>

#include <cstdio>
#include <functional>

/** Holds back everything written to standard error, by this process and the libraries in it,
    while it exists, and then passes it on without the lines that isHarmless picks out. For
    libraries that report on standard error what a caller knows to be harmless. Message thread
    only. */
class StandardErrorFilter
{
public:
    using LinePredicate = std::function<bool (const juce::String& line)>;

    explicit StandardErrorFilter (LinePredicate isHarmless);
    ~StandardErrorFilter();

private:
    LinePredicate isHarmless;
    std::FILE* heldBack = nullptr;
    int savedStandardError = -1;

    JUCE_DECLARE_NON_COPYABLE (StandardErrorFilter)
};
