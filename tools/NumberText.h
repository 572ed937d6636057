#pragma once

#include <juce_core/juce_core.h>

#include <cmath>
#include <cstdlib>

/** Strict reading of numbers from text: the whole text must be the number, and it must be
    finite, unlike juce::String::getDoubleValue, which reads "12abc" as 12 and "abc" as 0. */
namespace NumberText
{
    inline bool toFiniteNumber (const juce::String& text, double& value)
    {
        const auto trimmed = text.trim();

        if (trimmed.isEmpty() || ! trimmed.containsOnly ("0123456789+-.eE"))
            return false;

        const auto utf8 = trimmed.toStdString();
        char* end = nullptr;
        const auto parsed = std::strtod (utf8.c_str(), &end);

        if (end != utf8.c_str() + utf8.size() || ! std::isfinite (parsed))
            return false;

        value = parsed;
        return true;
    }

    inline bool toWholeNumber (const juce::String& text, juce::int64& value)
    {
        const auto trimmed = text.trim();
        const auto digits = trimmed.startsWithChar ('-') || trimmed.startsWithChar ('+') ? trimmed.substring (1) : trimmed;

        // Fifteen digits cannot overflow a 64-bit integer.
        if (digits.isEmpty() || digits.length() > 15 || ! digits.containsOnly ("0123456789"))
            return false;

        value = (juce::int64) std::strtoll (trimmed.toRawUTF8(), nullptr, 10);
        return true;
    }
}
