#include "plugin/WarbleProcessor.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

// Coverage-guided fuzzing of state restoring (libFuzzer). A block may change the parameters only
// when it holds a well-formed state; whatever arrives, every value stays inside its range.
namespace
{
    std::vector<float> normalisedValues (const WarbleProcessor& processor)
    {
        std::vector<float> values;

        for (const auto* param : processor.getParameters())
            values.push_back (param->getValue());

        return values;
    }

    bool isWellFormedState (const void* data, int size)
    {
        const auto xml = juce::AudioProcessor::getXmlFromBinary (data, size);
        return xml != nullptr && xml->getTagName().equalsIgnoreCase ("Parameters");
    }
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    // Made once and never destroyed: libFuzzer leaves through exit(), after which JUCE's own
    // singletons may already be gone.
    [[maybe_unused]] static const auto* juceInitialiser = new juce::ScopedJuceInitialiser_GUI();
    static auto& processor = *new WarbleProcessor();

    for (auto* param : processor.getParameters())
        param->setValueNotifyingHost (0.1f);

    const auto before = normalisedValues (processor);
    const auto sizeInBytes = (int) std::min (size, (std::size_t) std::numeric_limits<int>::max());

    processor.setStateInformation (data, sizeInBytes);

    const auto after = normalisedValues (processor);

    if (after != before && ! isWellFormedState (data, sizeInBytes))
        std::abort();

    for (const auto value : after)
        if (! (value >= 0.0f && value <= 1.0f))
            std::abort();

    return 0;
}
