#include "tools/snapshot/EditorSnapshot.h"
#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

TEST (EditorSnapshot, SweepsThePerformanceAndWritesAPngThatReadsBack)
{
    WarbleProcessor processor;
    EditorSnapshot snapshot (processor);
    snapshot.perform ({ .note = 72, .wheel = 1.0f, .ticks = 10, .startNote = 48, .startWheel = 0.0f });

    const auto& trail = XYPadDisplayTestAccess::trail (snapshot.getPad());
    ASSERT_EQ (trail.size(), 10u);
    EXPECT_FLOAT_EQ (trail.front().x, (50.0f - 36.0f) / 60.0f);   // 48 + 24 / 10, rounded
    EXPECT_FLOAT_EQ (trail.front().y, 0.1f);
    EXPECT_FLOAT_EQ (trail.back().x, 0.6f);
    EXPECT_FLOAT_EQ (trail.back().y, 1.0f);
    EXPECT_EQ (processor.activeVoiceCount.load(), 1);

    const auto image = snapshot.renderEditor();
    const juce::TemporaryFile file (".png");
    ASSERT_TRUE (EditorSnapshot::writePng (image, file.getFile()));

    const auto loaded = juce::ImageFileFormat::loadFrom (file.getFile());
    ASSERT_EQ (loaded.getBounds(), image.getBounds());

    for (const auto& p : { juce::Point<int> (5, 100), juce::Point<int> (250, 16), juce::Point<int> (120, 150) })
        EXPECT_EQ (loaded.getPixelAt (p.x, p.y), image.getPixelAt (p.x, p.y));

    EXPECT_FALSE (EditorSnapshot::writePng (image, juce::File ("/proc/no-such-directory/editor.png")));
}
