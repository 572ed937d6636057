#include "support/StateBlocks.h"

#include "plugin/WarbleProcessor.h"

#include <gtest/gtest.h>

using warble::test::allValues;
using warble::test::makeStateBlock;

namespace
{
    void setReal (WarbleProcessor& p, const char* id, float value)
    {
        auto* param = p.parameters.getParameter (id);
        param->setValueNotifyingHost (param->convertTo0to1 (value));
    }

    float realValue (WarbleProcessor& p, const char* id)
    {
        return p.parameters.getRawParameterValue (id)->load();
    }

    juce::uint32 readLittleEndian (const juce::MemoryBlock& block, size_t offset)
    {
        return juce::ByteOrder::littleEndianInt (static_cast<const char*> (block.getData()) + offset);
    }
}

TEST (StatePersistence, BlockLayoutIsMagicLengthSingleLineXmlAndZero)
{
    WarbleProcessor processor;
    juce::MemoryBlock block;
    block.append ("stale bytes that must be replaced", 33);
    processor.getStateInformation (block);

    ASSERT_GT (block.getSize(), 9u);
    const auto* bytes = static_cast<const char*> (block.getData());

    EXPECT_EQ (juce::String (bytes, 4), "VC2!");
    EXPECT_EQ (readLittleEndian (block, 0), 0x21324356u);
    EXPECT_EQ (readLittleEndian (block, 4), (juce::uint32) block.getSize() - 9);
    EXPECT_EQ (bytes[block.getSize() - 1], 0);

    const auto xmlText = juce::String::fromUTF8 (bytes + 8, (int) block.getSize() - 9);
    EXPECT_FALSE (xmlText.containsChar ('\n'));
    EXPECT_TRUE (xmlText.startsWith (R"(<?xml version="1.0" encoding="UTF-8"?> <Parameters>)")) << xmlText;

    const auto xml = juce::parseXML (xmlText);
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumChildElements(), 9);

    for (auto* child : xml->getChildIterator())
    {
        EXPECT_EQ (child->getTagName(), "PARAM");
        EXPECT_EQ (child->getNumChildElements(), 0);
        EXPECT_TRUE (child->hasAttribute ("id"));
        EXPECT_TRUE (child->hasAttribute ("value"));
    }

    EXPECT_DOUBLE_EQ (xml->getChildByAttribute ("id", "glideTime")->getDoubleAttribute ("value"), 80.0);
}

TEST (StatePersistence, RoundTripsDefaultsAndChangedValues)
{
    WarbleProcessor source;
    juce::MemoryBlock defaults;
    source.getStateInformation (defaults);

    setReal (source, "glideTime", 123.44f);
    setReal (source, "vibratoRate", 7.777f);
    setReal (source, "filterBase", 0.9f);
    setReal (source, "legato", 1.0f);
    juce::MemoryBlock changed;
    source.getStateInformation (changed);

    WarbleProcessor restoredDefaults;
    setReal (restoredDefaults, "volume", 0.1f);
    restoredDefaults.setStateInformation (defaults.getData(), (int) defaults.getSize());
    EXPECT_EQ (allValues (restoredDefaults), allValues (WarbleProcessor {}));

    WarbleProcessor restored;
    restored.setStateInformation (changed.getData(), (int) changed.getSize());
    EXPECT_EQ (allValues (restored), allValues (source));
    EXPECT_FLOAT_EQ (realValue (restored, "glideTime"), 123.4f);
    EXPECT_FLOAT_EQ (realValue (restored, "vibratoRate"), 7.78f);
    EXPECT_FLOAT_EQ (realValue (restored, "legato"), 1.0f);
}

TEST (StatePersistence, DefectiveBlocksChangeNothing)
{
    const auto valid = makeStateBlock (R"(<Parameters><PARAM id="volume" value="0.2"/></Parameters>)");

    struct Case { const char* what; juce::MemoryBlock block; };
    std::vector<Case> cases;

    cases.push_back ({ "empty", {} });
    cases.push_back ({ "eight bytes", juce::MemoryBlock (valid.getData(), 8) });
    {
        auto wrongMagic = valid;
        static_cast<char*> (wrongMagic.getData())[2] = '3';
        cases.push_back ({ "wrong magic", wrongMagic });
    }
    cases.push_back ({ "zero length", makeStateBlock (R"(<Parameters><PARAM id="volume" value="0.2"/></Parameters>)", 0) });
    cases.push_back ({ "negative length", makeStateBlock (R"(<Parameters><PARAM id="volume" value="0.2"/></Parameters>)", -5) });
    cases.push_back ({ "not xml", makeStateBlock ("volume = 0.2") });
    cases.push_back ({ "other element", makeStateBlock (R"(<Settings><PARAM id="volume" value="0.2"/></Settings>)") });
    cases.push_back ({ "cut inside the first element", makeStateBlock (R"(<Parameters><PARAM id="volu)") });
    // Well-formed documents but for bytes that UTF-8 never uses in that place; JUCE's parser can
    // read past the end of such text, so it is refused before parsing.
    for (const auto& [what, badBytes] : { std::pair { "stray lead byte", "\xda" "a" },
                                          std::pair { "invalid byte", "\xff" },
                                          std::pair { "lone continuation byte", "\x80" },
                                          std::pair { "overlong encoding", "\xc0\xaf" },
                                          std::pair { "truncated sequence", "\xe2\x82" } })
    {
        const juce::String before (R"(<Parameters><PARAM id="volume" value="0.2"/><PARAM id="tape" value=")");
        const juce::String after (R"("/></Parameters>)");
        juce::MemoryOutputStream text;
        text << before;
        text.write (badBytes, strlen (badBytes));
        text << after;

        juce::MemoryOutputStream block;
        block.writeInt (0x21324356);
        block.writeInt ((int) text.getDataSize());
        block.write (text.getData(), text.getDataSize());
        block.writeByte (0);
        cases.push_back ({ what, block.getMemoryBlock() });
    }

    for (const auto& c : cases)
    {
        WarbleProcessor processor;
        setReal (processor, "glideTime", 250.0f);
        const auto before = allValues (processor);
        const auto treeBefore = processor.parameters.copyState().toXmlString();

        processor.setStateInformation (c.block.getData(), (int) c.block.getSize());

        EXPECT_EQ (allValues (processor), before) << c.what;
        EXPECT_EQ (processor.parameters.copyState().toXmlString(), treeBefore) << c.what;
    }

    WarbleProcessor processor;
    processor.setStateInformation (nullptr, 100);
    EXPECT_EQ (allValues (processor), allValues (WarbleProcessor {}));
}

TEST (StatePersistence, AcceptedVariants)
{
    struct Case { const char* what; juce::MemoryBlock block; const char* id; float expected; };

    const Case cases[] = {
        { "lower-case document element",
          makeStateBlock (R"(<parameters><PARAM id="volume" value="0.25"/></parameters>)"), "volume", 0.25f },
        { "out of range value is limited",
          makeStateBlock (R"(<Parameters><PARAM id="glideTime" value="900"/></Parameters>)"), "glideTime", 500.0f },
        { "below range value is limited",
          makeStateBlock (R"(<Parameters><PARAM id="filterBase" value="-4"/></Parameters>)"), "filterBase", 0.1f },
        { "value between steps is snapped",
          makeStateBlock (R"(<Parameters><PARAM id="vibratoRate" value="3.333"/></Parameters>)"), "vibratoRate", 3.33f },
        { "length field larger than the data",
          makeStateBlock (R"(<Parameters><PARAM id="volume" value="0.5"/></Parameters>)", 100000), "volume", 0.5f },
        { "missing value takes the default",
          makeStateBlock (R"(<Parameters><PARAM id="glideTime"/></Parameters>)"), "glideTime", 80.0f },
    };

    for (const auto& c : cases)
    {
        WarbleProcessor processor;
        setReal (processor, "glideTime", 10.0f);
        processor.setStateInformation (c.block.getData(), (int) c.block.getSize());
        EXPECT_NEAR (realValue (processor, c.id), c.expected, 1.0e-5f) << c.what;
    }
}

TEST (StatePersistence, PartialStateKeepsTheRestAndUnknownEntriesSurvive)
{
    WarbleProcessor processor;
    setReal (processor, "resonance", 0.9f);
    setReal (processor, "reverb", 0.05f);

    const auto block = makeStateBlock (R"(<Parameters>)"
                                       R"(<PARAM id="waveBlend" value="0.8"/>)"
                                       R"(<PARAM id="glideTime" value="300"/>)"
                                       R"(<PARAM id="legato" value="1"/>)"
                                       R"(<PARAM id="tapeSpeed" value="33"/>)"
                                       R"(</Parameters>)");
    processor.setStateInformation (block.getData(), (int) block.getSize());

    EXPECT_FLOAT_EQ (realValue (processor, "waveBlend"), 0.8f);
    EXPECT_FLOAT_EQ (realValue (processor, "glideTime"), 300.0f);
    EXPECT_FLOAT_EQ (realValue (processor, "legato"), 1.0f);
    EXPECT_FLOAT_EQ (realValue (processor, "resonance"), 0.9f);
    EXPECT_FLOAT_EQ (realValue (processor, "reverb"), 0.05f);
    EXPECT_FLOAT_EQ (realValue (processor, "volume"), 0.7f);

    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (saved.getData(), (int) saved.getSize());
    ASSERT_NE (xml, nullptr);
    EXPECT_EQ (xml->getNumChildElements(), 10);

    for (const auto* id : { "waveBlend", "glideTime", "vibratoRate", "filterBase", "filterMod",
                            "resonance", "volume", "reverb", "legato" })
        EXPECT_NE (xml->getChildByAttribute ("id", id), nullptr) << id;

    const auto* unknown = xml->getChildByAttribute ("id", "tapeSpeed");
    ASSERT_NE (unknown, nullptr);
    EXPECT_EQ (unknown->getStringAttribute ("value"), "33");
    EXPECT_FLOAT_EQ ((float) xml->getChildByAttribute ("id", "resonance")->getDoubleAttribute ("value"), 0.9f);
}
