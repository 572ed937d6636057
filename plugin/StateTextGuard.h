#pragma once

namespace warble
{
    /** True when the text of a saved state is safe to hand to JUCE's XML parser: well-formed
        UTF-8 holding one element tree in the plain form that states are written in (an optional
        XML declaration, elements with quoted attributes, the predefined and numeric character
        references, text, at most 64 levels deep), up to the end or the first zero byte.

        JUCE's parser trusts its input: text that is not UTF-8 can make it read past the end of
        its buffer, and some malformed documents (processing instructions and entities in odd
        places) send it into an endless loop, so damaged blocks are checked first. */
    bool isSafeStateText (const char* text, int numBytes) noexcept;
}
