#pragma once

#include "plugin/WarbleProcessor.h"

#include <optional>
#include <vector>

namespace warble::test
{
    /** A state block as hosts store it: "VC2!", a little-endian length, the text and a zero byte.
        The length field can be overridden to make defective blocks. */
    inline juce::MemoryBlock makeStateBlock (const juce::String& text, std::optional<int> lengthField = {})
    {
        const auto utf8 = text.toRawUTF8();
        const auto numBytes = (int) text.getNumBytesAsUTF8();

        juce::MemoryOutputStream out;
        out.writeInt (0x21324356);
        out.writeInt (lengthField.value_or (numBytes));
        out.write (utf8, (size_t) numBytes);
        out.writeByte (0);
        return out.getMemoryBlock();
    }

    /** The real values of every parameter, in the processor's order. */
    inline std::vector<float> allValues (const WarbleProcessor& processor)
    {
        std::vector<float> values;

        for (const auto* param : processor.getParameters())
            if (const auto* ranged = dynamic_cast<const juce::RangedAudioParameter*> (param))
                values.push_back (ranged->convertFrom0to1 (ranged->getValue()));

        return values;
    }
}
