#include "WarbleProcessor.h"

#include "StateTextGuard.h"

#include "../editor/WarbleEditor.h"

#include <thread>

namespace
{
    // Checks the text part of a block the way getXmlFromBinary will read it: from byte 8, no
    // further than the length field says or the bytes present.
    bool stateTextIsSafe (const void* data, int sizeInBytes) noexcept
    {
        if (sizeInBytes <= 8)
            return true;

        const auto declaredLength = (int) juce::ByteOrder::littleEndianInt (juce::addBytesToPointer (data, 4));
        const auto textLength = juce::jmin (sizeInBytes - 8, declaredLength);

        return textLength <= 0 || warble::isSafeStateText (static_cast<const char*> (data) + 8, textLength);
    }
}

WarbleProcessor::WarbleProcessor()
    : AudioProcessor (BusesProperties().withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameters (*this, nullptr, juce::Identifier ("Parameters"), createParameterLayout())
{
    const auto reading = [this] (const char* id)
    {
        const auto* parameter = parameters.getParameter (id);
        return ParameterReading { parameters.getRawParameterValue (id),
                                  parameter->convertFrom0to1 (parameter->getDefaultValue()) };
    };

    readings = { reading ("waveBlend"), reading ("glideTime"), reading ("vibratoRate"),
                 reading ("filterBase"), reading ("filterMod"), reading ("resonance"),
                 reading ("volume"), reading ("reverb"), reading ("legato") };
}

WarbleProcessor::~WarbleProcessor() = default;

juce::AudioProcessorValueTreeState::ParameterLayout WarbleProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    const auto addFloat = [&layout] (const char* id, const char* name, float start, float end,
                                     float interval, float defaultValue)
    {
        layout.add (std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 1 },
                                                                 name,
                                                                 juce::NormalisableRange<float> (start, end, interval, 1.0f),
                                                                 defaultValue));
    };

    addFloat ("waveBlend",   "Wave Blend",   0.0f,   1.0f, 0.001f, 0.15f);
    addFloat ("glideTime",   "Glide",        0.0f, 500.0f, 0.1f,   80.0f);
    addFloat ("vibratoRate", "Vibrato Rate", 2.0f,  10.0f, 0.01f,  5.0f);
    addFloat ("filterBase",  "Filter Base",  0.1f,   1.0f, 0.001f, 0.35f);
    addFloat ("filterMod",   "Filter Mod",   0.0f,   1.0f, 0.001f, 0.7f);
    addFloat ("resonance",   "Resonance",    0.0f,   1.0f, 0.001f, 0.35f);
    addFloat ("volume",      "Volume",       0.0f,   1.0f, 0.001f, 0.7f);
    addFloat ("reverb",      "Reverb",       0.0f,   1.0f, 0.001f, 0.35f);
    layout.add (std::make_unique<juce::AudioParameterBool> (juce::ParameterID { "legato", 1 }, "Legato", false));

    return layout;
}

const juce::String WarbleProcessor::getName() const
{
    return "Warble";
}

double WarbleProcessor::getTailLengthSeconds() const
{
    return 3.0;
}

bool WarbleProcessor::acceptsMidi() const
{
    return true;
}

bool WarbleProcessor::producesMidi() const
{
    return false;
}

bool WarbleProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* WarbleProcessor::createEditor()
{
    return new WarbleEditor (*this);
}

bool WarbleProcessor::hasEditor() const
{
    return true;
}

int WarbleProcessor::getNumPrograms()
{
    return 1;
}

int WarbleProcessor::getCurrentProgram()
{
    return 0;
}

void WarbleProcessor::setCurrentProgram (int)
{
}

const juce::String WarbleProcessor::getProgramName (int)
{
    return {};
}

void WarbleProcessor::changeProgramName (int, const juce::String&)
{
}

void WarbleProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (const auto xml = parameters.copyState().createXml())
        copyXmlToBinary (*xml, destData);
}

void WarbleProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || ! stateTextIsSafe (data, sizeInBytes))
        return;

    // getXmlFromBinary refuses short blocks, a wrong magic number and a non-positive length, and
    // reads no further than the bytes present.
    const auto xml = getXmlFromBinary (data, sizeInBytes);

    if (xml == nullptr || ! xml->getTagName().equalsIgnoreCase (parameters.state.getType().toString()))
        return;

    auto newState = juce::ValueTree::fromXml (*xml);

    // A state that lacks some parameters leaves them as they are. Left alone, the value-tree state
    // would give each of them a fresh entry without a value, which resets it to its default.
    for (const auto* param : getParameters())
    {
        if (const auto* ranged = dynamic_cast<const juce::RangedAudioParameter*> (param))
        {
            const auto& id = ranged->getParameterID();

            if (! newState.getChildWithProperty ("id", id).isValid())
                newState.appendChild (juce::ValueTree ("PARAM", { { "id", id },
                                                                  { "value", parameters.getRawParameterValue (id)->load() } }),
                                      nullptr);
        }
    }

    parameters.replaceState (newState);
}

bool WarbleProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto output = layouts.getMainOutputChannelSet();
    return output == juce::AudioChannelSet::mono() || output == juce::AudioChannelSet::stereo();
}

void WarbleProcessor::lendKeyboardState (juce::MidiKeyboardState& state) noexcept
{
    keyboardState.store (&state);
}

void WarbleProcessor::withdrawKeyboardState() noexcept
{
    // The audio thread raises keyboardStateInUse before it reads the pointer, and both sides use
    // sequentially consistent operations: once the pointer is null, either a block has not yet
    // read it (and will see null) or the flag shows that it may hold the old state.
    keyboardState.store (nullptr);

    while (keyboardStateInUse.load())
        std::this_thread::yield();
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new WarbleProcessor();
}
