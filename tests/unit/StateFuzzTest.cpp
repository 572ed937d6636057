#include "support/StateBlocks.h"

#include "plugin/WarbleProcessor.h"

#include <gtest/gtest.h>

using warble::test::allValues;
using warble::test::makeStateBlock;

// Throws damaged state blocks at setStateInformation: truncated, oversized, random and mutated.
// None may crash, and a block changes the parameters only if it is a well-formed state.
class StateFuzz : public testing::Test
{
protected:
    void SetUp() override
    {
        WarbleProcessor source;
        for (auto* param : source.getParameters())
            param->setValueNotifyingHost (0.9f);
        source.getStateInformation (validBlock);
        expectedAfterValid = allValues (source);
    }

    // Restores the block into a processor whose values differ from every valid block's, and
    // checks that it either changed nothing or was a well-formed state, and that every value
    // stays in its range.
    void feed (const void* data, size_t size, const char* kind)
    {
        for (auto* param : processor.getParameters())
            param->setValueNotifyingHost (0.1f);
        const auto before = allValues (processor);

        processor.setStateInformation (data, (int) size);

        const auto after = allValues (processor);

        // Parsed here only once the processor has taken the block: JUCE's parser must never see
        // the blocks that the processor refuses.
        if (after != before)
        {
            const auto xml = juce::AudioProcessor::getXmlFromBinary (data, (int) size);
            ASSERT_TRUE (xml != nullptr && xml->getTagName().equalsIgnoreCase ("Parameters"))
                << kind << ", " << size << " bytes";
        }

        for (auto* param : processor.getParameters())
            ASSERT_TRUE (param->getValue() >= 0.0f && param->getValue() <= 1.0f) << kind;
    }

    WarbleProcessor processor;
    juce::MemoryBlock validBlock;
    std::vector<float> expectedAfterValid;
    juce::Random random { 20261210 };
};

TEST_F (StateFuzz, TruncatedBlocksAtEveryLength)
{
    for (size_t length = 0; length < validBlock.getSize(); ++length)
        feed (validBlock.getData(), length, "truncated");

    // Cut before the closing tag, nothing is parsed: the block leaves every value alone.
    const auto before = allValues (processor);
    processor.setStateInformation (validBlock.getData(), (int) validBlock.getSize() - 20);
    EXPECT_EQ (allValues (processor), before);
}

TEST_F (StateFuzz, OversizedBlocksReadOnlyTheirText)
{
    juce::MemoryBlock padded (validBlock);
    padded.append (juce::MemoryBlock (4096, true).getData(), 4096);
    feed (padded.getData(), padded.getSize(), "zero padded");

    processor.setStateInformation (padded.getData(), (int) padded.getSize());
    EXPECT_EQ (allValues (processor), expectedAfterValid);

    juce::MemoryBlock garbageTail (validBlock);
    for (int i = 0; i < 1 << 16; ++i)
        garbageTail.append (&i, 1);
    feed (garbageTail.getData(), garbageTail.getSize(), "garbage tail");

    const auto huge = makeStateBlock (juce::String::repeatedString ("<Parameters>", 20000));
    feed (huge.getData(), huge.getSize(), "deeply nested");
}

TEST_F (StateFuzz, RandomBlocks)
{
    for (int i = 0; i < 2000; ++i)
    {
        juce::MemoryBlock block ((size_t) random.nextInt (600), false);
        random.fillBitsRandomly (block.getData(), block.getSize());

        // Half of them carry the right magic number, so that the parser is reached.
        if (block.getSize() >= 8 && (i & 1) == 0)
            static_cast<juce::uint32*> (block.getData())[0] = juce::ByteOrder::swapIfBigEndian (0x21324356u);

        feed (block.getData(), block.getSize(), "random");
    }
}

TEST_F (StateFuzz, MutatedValidBlocks)
{
    for (int i = 0; i < 3000; ++i)
    {
        juce::MemoryBlock block (validBlock);
        auto* bytes = static_cast<juce::uint8*> (block.getData());
        const auto mutations = 1 + random.nextInt (8);

        for (int m = 0; m < mutations; ++m)
        {
            const auto at = (size_t) random.nextInt ((int) block.getSize());

            switch (random.nextInt (4))
            {
                case 0:  bytes[at] = (juce::uint8) random.nextInt (256); break;
                case 1:  bytes[at] ^= (juce::uint8) (1 << random.nextInt (8)); break;
                case 2:  bytes[at] = (juce::uint8) "<>\"=/ 0.9e-"[random.nextInt (11)]; break;
                default: bytes[at] = 0; break;
            }
        }

        feed (block.getData(), block.getSize(), "mutated");
    }
}

// Inputs that coverage-guided fuzzing found to make JUCE's XML parser read past its buffer or loop
// forever, kept with the fuzzer's seeds: each is refused at once and changes nothing.
TEST_F (StateFuzz, FuzzerFindingsAreRefused)
{
    const auto corpus = juce::File (WARBLE_FUZZ_CORPUS_DIR).findChildFiles (juce::File::findFiles, false, "*.bin");
    ASSERT_FALSE (corpus.isEmpty());

    for (const auto& file : corpus)
    {
        juce::MemoryBlock block;
        ASSERT_TRUE (file.loadFileAsData (block));
        feed (block.getData(), block.getSize(), file.getFileName().toRawUTF8());
    }
}

