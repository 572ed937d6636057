#include "plugin/WarbleProcessor.h"

#include <gtest/gtest.h>

TEST (ProcessorIdentity, FreshProcessorAnswersWithoutPreparation)
{
    WarbleProcessor processor;
    EXPECT_EQ (processor.getName(), "Warble");
    EXPECT_DOUBLE_EQ (processor.getTailLengthSeconds(), 3.0);
}
