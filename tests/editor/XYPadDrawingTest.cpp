#include "PixelProbe.h"

#include "tools/snapshot/EditorSnapshot.h"

#include <cmath>

namespace
{
    // The pad at the editor's default size is 213 x 220. Fine grid columns fall at 0, 17, 35, 53,
    // 71, 88, 106, 124, 142, 159, 177 and 195, rows at 0, 36, 73, 110, 146 and 183; octave columns
    // at 0, 42, 85, 127 and 170; scanlines on every third row from 0.
    const juce::Colour padBackground (0xff02000a);
    constexpr juce::uint32 fineGrid = 0x0f00ffee;
    constexpr juce::uint32 octaveLine = 0x2600ffee;
    constexpr juce::uint32 crosshair = 0x2600ffee;
    constexpr juce::uint32 scanline = 0x0f000000;
    constexpr juce::uint32 border = 0x6600ffee;

    juce::Colour cursorColour (float hue, float lightness, float alpha)
    {
        return juce::Colour::fromHSL (hue / 360.0f, 1.0f, lightness, alpha);
    }

    class XYPadDrawing : public testing::Test
    {
    protected:
        // Counts bright text pixels across the middle of the pad, where the idle prompt sits,
        // skipping the grid row at 110.
        static int promptPixels (const juce::Image& pad)
        {
            int count = 0;

            for (int y = 100; y < 121; ++y)
                for (int x = 1; x < pad.getWidth() - 1; ++x)
                    if (y != 110 && pad.getPixelAt (x, y).getGreen() > 70)
                        ++count;

            return count;
        }

        WarbleProcessor processor;
        EditorSnapshot snapshot { processor };
    };
}

TEST_F (XYPadDrawing, IdleShowsGridScanlinesBorderAndPrompt)
{
    const auto pad = snapshot.renderPad();
    ASSERT_EQ (pad.getWidth(), 213);
    ASSERT_EQ (pad.getHeight(), 220);

    EXPECT_TRUE (pixelNear (pad, 30, 20, padBackground, 0));
    EXPECT_TRUE (pixelNear (pad, 30, 21, over (padBackground, scanline)));
    EXPECT_TRUE (pixelNear (pad, 17, 20, over (padBackground, fineGrid)));
    EXPECT_TRUE (pixelNear (pad, 30, 73, over (padBackground, fineGrid)));
    EXPECT_TRUE (pixelNear (pad, 42, 20, over (padBackground, octaveLine)));

    // The border straddles the edge, so half of it shows. The grid's last lines fall at x = 213
    // and y = 220 and are clipped away, so the far edges show only the border.
    EXPECT_TRUE (pixelNear (pad, 0, 100, over (over (over (padBackground, fineGrid), octaveLine), border, 0.5f), 3));
    EXPECT_TRUE (pixelNear (pad, 212, 100, over (padBackground, border, 0.5f), 3));
    EXPECT_TRUE (pixelNear (pad, 100, 219, over (over (padBackground, scanline), border, 0.5f), 3));

    EXPECT_GT (promptPixels (pad), 100);
}

TEST_F (XYPadDrawing, PlayingShowsCrosshairGlowAndDotAtTheNote)
{
    // Note 63 puts the cursor at x = 0.45 x 213 = 95.85; a wheel of 0.5 at y = 110.
    snapshot.perform ({ .note = 63, .wheel = 0.5f, .ticks = 1 });
    const auto pad = snapshot.renderPad();
    const auto hue = 181.5f;

    const auto core = cursorColour (hue, 0.7f, 1.0f);
    const auto highlighted = over (core, 0xe6ffffff);
    EXPECT_TRUE (pixelNear (pad, 95, 110, highlighted));
    EXPECT_TRUE (pixelNear (pad, 95, 111, over (highlighted, scanline)));
    EXPECT_TRUE (pixelNear (pad, 101, 110, core, 1));

    EXPECT_TRUE (pixelNear (pad, 95, 200, over (padBackground, crosshair)));
    EXPECT_TRUE (pixelNear (pad, 200, 110, over (over (padBackground, fineGrid), crosshair)));

    // The glow fades linearly to nothing at 60 x sqrt (2) from the cursor but is cut off at 60.
    const auto glowAlphaAt = [] (float distance)
    {
        const auto peak = (std::sin (0.1f) * 0.5f + 0.5f) * 0.15f + 0.35f;
        return peak * (1.0f - distance / (60.0f * std::sqrt (2.0f)));
    };
    const auto distanceTo = [] (int x, int y) { return std::hypot ((float) x + 0.5f - 95.85f, (float) y + 0.5f - 110.0f); };

    EXPECT_TRUE (pixelNear (pad, 130, 125, padBackground.overlaidWith (cursorColour (hue, 0.65f, glowAlphaAt (distanceTo (130, 125)))), 4));
    EXPECT_TRUE (pixelNear (pad, 145, 140, padBackground.overlaidWith (cursorColour (hue, 0.65f, glowAlphaAt (distanceTo (145, 140)))), 4));
    EXPECT_TRUE (pixelNear (pad, 149, 140, padBackground, 0));
}

TEST_F (XYPadDrawing, CursorFollowsTheClampedNoteAndWheel)
{
    // Each probe lies inside the core dot (radius 7), about 5 pixels from the cursor towards the
    // pad's inside, off the highlight and the scanlines.
    struct Case { int note; float wheel; juce::Point<int> insideDot; bool middleClear; };

    const Case cases[] {
        { 60, 0.5f, { 88, 113 }, false },     // cursor at (85.2, 110)
        { 20, 1.0f, { 3, 4 }, true },         // clamped to the left and top edges
        { 110, -1.0f, { 209, 215 }, true },   // clamped to the right and bottom edges
    };

    const auto core = cursorColour (180.0f, 0.7f, 1.0f);   // no tick yet, so the hue is still 180

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.note);
        snapshot.publish (c.note, c.wheel);
        const auto pad = snapshot.renderPad();
        EXPECT_TRUE (pixelNear (pad, c.insideDot.x, c.insideDot.y, core, 1));

        // Playing replaces the idle prompt; with the cursor away from the middle, nothing else
        // is bright there.
        if (c.middleClear)
        {
            EXPECT_EQ (promptPixels (pad), 0);
        }
    }
}

TEST_F (XYPadDrawing, TrailSegmentTakesTheNewerPointsHueAndFullAlpha)
{
    // Two points at the same height (y = 55), then silence: no cursor or crosshair, only the
    // trail, whose newest segment is 2.5 pixels thick at alpha 0.55.
    snapshot.perform ({ .note = 48, .wheel = 0.75f, .ticks = 1 });
    snapshot.perform ({ .note = 72, .wheel = 0.75f, .ticks = 1 });
    snapshot.publish (std::nullopt, 0.75f);

    const auto pad = snapshot.renderPad();
    EXPECT_TRUE (pixelNear (pad, 50, 55, padBackground.overlaidWith (cursorColour (183.0f, 0.65f, 0.55f)), 3));
    EXPECT_TRUE (pixelNear (pad, 50, 58, padBackground, 0));
    EXPECT_TRUE (pixelNear (pad, 30, 55, padBackground, 0));   // left of the older point at x = 42.6
}

TEST_F (XYPadDrawing, OnlyThePadAreaIsRepaintedWithTheEditorBehindIt)
{
    snapshot.perform ({ .note = 60, .wheel = 0.5f, .ticks = 10 });

    auto full = snapshot.renderEditor();
    auto frame = EditorSnapshot::makeImage (500, 280);
    const auto padBounds = snapshot.getPad().getBounds();
    snapshot.paintEditor (frame, padBounds);

    for (int y = 0; y < 280; y += 7)
        for (int x = 0; x < 500; x += 7)
            ASSERT_EQ (frame.getPixelAt (x, y), padBounds.contains (x, y) ? full.getPixelAt (x, y) : juce::Colour())
                << x << ", " << y;
}
