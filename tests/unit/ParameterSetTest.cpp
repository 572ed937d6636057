#include "plugin/WarbleProcessor.h"

#include <gtest/gtest.h>

namespace
{
    struct ParameterRow
    {
        const char* id;
        const char* name;
        float defaultValue;
        float normalisedDefault;
        const char* defaultText;
    };

    const ParameterRow parameterTable[] = {
        { "waveBlend",   "Wave Blend",   0.15f, 0.15f,          "0.150" },
        { "glideTime",   "Glide",        80.0f, 0.16f,          "80.0" },
        { "vibratoRate", "Vibrato Rate", 5.0f,  0.375f,         "5.00" },
        { "filterBase",  "Filter Base",  0.35f, 0.25f / 0.9f,   "0.350" },
        { "filterMod",   "Filter Mod",   0.7f,  0.7f,           "0.700" },
        { "resonance",   "Resonance",    0.35f, 0.35f,          "0.350" },
        { "volume",      "Volume",       0.7f,  0.7f,           "0.700" },
        { "reverb",      "Reverb",       0.35f, 0.35f,          "0.350" },
        { "legato",      "Legato",       0.0f,  0.0f,           "Off" },
    };

    juce::RangedAudioParameter& parameter (WarbleProcessor& p, const char* id)
    {
        auto* param = p.parameters.getParameter (id);
        EXPECT_NE (param, nullptr) << id;
        return *param;
    }

    float realValue (WarbleProcessor& p, const char* id)
    {
        return p.parameters.getRawParameterValue (id)->load();
    }
}

TEST (ParameterSet, NineParametersInOrderWithTheirDefaults)
{
    WarbleProcessor processor;
    const auto& params = processor.getParameters();
    ASSERT_EQ (params.size(), 9);

    for (int i = 0; i < params.size(); ++i)
    {
        const auto& row = parameterTable[i];
        auto* param = dynamic_cast<juce::RangedAudioParameter*> (params[i]);
        ASSERT_NE (param, nullptr);
        SCOPED_TRACE (row.id);

        EXPECT_EQ (param->getParameterID(), row.id);
        EXPECT_EQ (param->getName (100), row.name);
        EXPECT_EQ (param->getVersionHint(), 1);
        EXPECT_NEAR (param->getDefaultValue(), row.normalisedDefault, 1.0e-6f);
        EXPECT_NEAR (param->getValue(), row.normalisedDefault, 1.0e-6f);
        EXPECT_FLOAT_EQ (realValue (processor, row.id), row.defaultValue);
        EXPECT_EQ (param->getCurrentValueAsText(), row.defaultText);
        EXPECT_EQ (param->getLabel(), juce::String());
        EXPECT_TRUE (param->isAutomatable());
        EXPECT_FALSE (param->isMetaParameter());
        EXPECT_EQ (param->getCategory(), juce::AudioProcessorParameter::genericParameter);
    }

    EXPECT_NE (dynamic_cast<juce::AudioParameterBool*> (params[8]), nullptr);
}

TEST (ParameterSet, HostValuesAreLimitedAndSnapped)
{
    struct Case { const char* id; float normalised; float expected; };

    const Case cases[] = {
        { "vibratoRate", 0.0f,    2.0f },
        { "vibratoRate", 1.0f,    10.0f },
        { "vibratoRate", 0.3337f, 4.67f },
        { "glideTime",   0.50004f, 250.0f },
        { "glideTime",   0.00013f, 0.1f },
        { "filterBase",  0.0f,    0.1f },
        { "filterBase",  -1.0f,   0.1f },
        { "filterBase",  2.0f,    1.0f },
        { "waveBlend",   0.12345f, 0.123f },
        { "legato",      0.7f,    1.0f },
        { "legato",      0.3f,    0.0f },
    };

    for (const auto& c : cases)
    {
        WarbleProcessor processor;
        parameter (processor, c.id).setValueNotifyingHost (c.normalised);
        EXPECT_NEAR (realValue (processor, c.id), c.expected, 1.0e-4f) << c.id << " at " << c.normalised;
    }

    // Every vibrato rate the host can reach is a whole number of 0.01 Hz steps above 2 Hz.
    WarbleProcessor processor;
    auto& rate = parameter (processor, "vibratoRate");

    for (int i = 0; i <= 1000; ++i)
    {
        rate.setValueNotifyingHost ((float) i / 1000.0f);
        const auto steps = (realValue (processor, "vibratoRate") - 2.0f) / 0.01f;
        ASSERT_NEAR (steps, std::round (steps), 1.0e-2f) << "normalised " << (float) i / 1000.0f;
    }
}

TEST (ParameterSet, TextConvertsBothWays)
{
    struct Case { const char* id; const char* typed; float expected; const char* shown; };

    const Case cases[] = {
        { "glideTime",   "250.04", 250.0f, "250.0" },
        { "glideTime",   "600",    500.0f, "500.0" },
        { "glideTime",   "-3",     0.0f,   "0.0" },
        { "vibratoRate", "7.123",  7.12f,  "7.12" },
        { "filterBase",  "0",      0.1f,   "0.100" },
        { "waveBlend",   "0.5",    0.5f,   "0.500" },
        { "legato",      "yes",    1.0f,   "On" },
        { "legato",      "TRUE",   1.0f,   "On" },
        { "legato",      "on",     1.0f,   "On" },
        { "legato",      "no",     0.0f,   "Off" },
        { "legato",      "false",  0.0f,   "Off" },
        { "legato",      "2",      1.0f,   "On" },
        { "legato",      "0",      0.0f,   "Off" },
    };

    for (const auto& c : cases)
    {
        WarbleProcessor processor;
        auto& param = parameter (processor, c.id);

        // Start the switch from the opposite position, so that every case shows a change.
        if (juce::String (c.id) == "legato")
            param.setValueNotifyingHost (c.expected > 0.5f ? 0.0f : 1.0f);

        param.setValueNotifyingHost (param.getValueForText (c.typed));
        EXPECT_NEAR (realValue (processor, c.id), c.expected, 1.0e-4f) << c.id << " typed " << c.typed;
        EXPECT_EQ (param.getCurrentValueAsText(), c.shown) << c.id << " typed " << c.typed;
    }
}
