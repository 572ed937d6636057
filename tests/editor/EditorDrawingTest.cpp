#include "PixelProbe.h"

#include "tools/snapshot/EditorSnapshot.h"
#include "tools/snapshot/EditorTestAccess.h"

#include <cmath>

namespace
{
    const juce::Colour background (0xff030008);
    constexpr juce::uint32 backgroundLine = 0x80070010;
    constexpr juce::uint32 headerBand = 0xdd000008;
    constexpr juce::uint32 headerGlow = 0x0f00ffee;
    constexpr juce::uint32 rule = 0x8c00ffee;
    constexpr juce::uint32 frame = 0x4c00ffee;
    constexpr juce::uint32 bracket = 0x8c00ffee;
    const juce::Colour accent (0xff00ffee);

    class EditorDrawing : public testing::Test
    {
    protected:
        // The editor's own background at a pixel outside the header, frame and children.
        static juce::Colour plainBackground (int x, int y)
        {
            if (y % 6 != 0)
                return background;

            const auto sway = std::sin ((float) y * 0.04f) * 3.0f;
            return (float) x >= sway ? over (background, backgroundLine) : background;
        }

        // Where a rotary knob's drawing puts its centre and radius, in editor coordinates.
        struct KnobGeometry
        {
            juce::Point<float> centre;
            float radius;
            float startAngle;
            float endAngle;

            juce::Point<int> pixelAt (float proportion, float distance) const
            {
                const auto angle = startAngle + proportion * (endAngle - startAngle);
                return { (int) std::floor (centre.x + distance * std::sin (angle)),
                         (int) std::floor (centre.y - distance * std::cos (angle)) };
            }
        };

        KnobGeometry knobGeometry (size_t index)
        {
            auto& knob = WarbleEditorTestAccess::knob (snapshot.getEditor(), index);
            const auto sliderArea = knob.getLookAndFeel().getSliderLayout (knob).sliderBounds
                                        .translated (knob.getX(), knob.getY()).toFloat().reduced (6.0f);
            const auto rotary = knob.getRotaryParameters();
            return { sliderArea.getCentre(), juce::jmin (sliderArea.getWidth(), sliderArea.getHeight()) / 2.0f,
                     rotary.startAngleRadians, rotary.endAngleRadians };
        }

        WarbleProcessor processor;
        EditorSnapshot snapshot { processor };
    };
}

TEST_F (EditorDrawing, BackgroundAndSwayingLines)
{
    const auto image = snapshot.renderEditor();

    EXPECT_TRUE (pixelNear (image, 5, 100, background, 0));
    EXPECT_TRUE (pixelNear (image, 5, 102, over (background, backgroundLine)));
    EXPECT_TRUE (pixelNear (image, 5, 276, over (background, backgroundLine)));
    EXPECT_TRUE (pixelNear (image, 5, 278, background, 0));

    // Row 36 is shifted right by sin (1.44) x 3, about 2.97 pixels.
    EXPECT_TRUE (pixelNear (image, 1, 36, background, 0));
    EXPECT_TRUE (pixelNear (image, 3, 36, over (background, backgroundLine)));

    // Nothing of the pad bleeds past its right edge.
    EXPECT_TRUE (pixelNear (image, 223, 61, background, 0));
}

TEST_F (EditorDrawing, HeaderBandGlowAndRule)
{
    const auto image = snapshot.renderEditor();
    const auto band = over (background, headerBand);

    EXPECT_TRUE (pixelNear (image, 100, 20, band));
    EXPECT_TRUE (pixelNear (image, 100, 29, over (band, headerGlow)));
    EXPECT_TRUE (pixelNear (image, 100, 30, over (over (over (background, backgroundLine), headerBand), headerGlow)));
    EXPECT_TRUE (pixelNear (image, 100, 32, over (over (background, headerGlow), rule)));
    EXPECT_TRUE (pixelNear (image, 100, 33, background, 0));
}

TEST_F (EditorDrawing, FrameAndCornerBracketsOnTop)
{
    const auto image = snapshot.renderEditor();
    const auto framed = over (background, frame);

    EXPECT_TRUE (pixelNear (image, 0, 100, framed));
    EXPECT_TRUE (pixelNear (image, 499, 100, framed));
    EXPECT_TRUE (pixelNear (image, 100, 279, framed));
    EXPECT_TRUE (pixelNear (image, 100, 0, over (over (over (background, backgroundLine), headerBand), frame)));

    // Brackets: 10 pixels along each edge from every corner, over the frame.
    EXPECT_TRUE (pixelNear (image, 0, 273, over (framed, bracket)));
    EXPECT_TRUE (pixelNear (image, 499, 273, over (framed, bracket)));
    EXPECT_TRUE (pixelNear (image, 5, 279, over (framed, bracket)));
    EXPECT_TRUE (pixelNear (image, 494, 279, over (framed, bracket)));
    EXPECT_TRUE (pixelNear (image, 0, 265, framed));
    EXPECT_TRUE (pixelNear (image, 15, 279, framed));

    const auto topBand = over (over (over (background, backgroundLine), headerBand), frame);
    EXPECT_TRUE (pixelNear (image, 495, 0, over (topBand, bracket)));
    EXPECT_TRUE (pixelNear (image, 0, 5, over (over (over (background, headerBand), frame), bracket)));
}

TEST_F (EditorDrawing, TitleCentredWithGlowAndHeaderTexts)
{
    const auto image = snapshot.renderEditor();

    // Ink is measured against the unmarked header pixel of the same row.
    const auto inkExtent = [&image] (juce::Rectangle<int> area, int referenceX, int threshold)
    {
        InkExtent extent;

        for (int x = area.getX(); x < area.getRight(); ++x)
            for (int y = area.getY(); y < area.getBottom(); ++y)
                if (channelDistance (image.getPixelAt (x, y), image.getPixelAt (referenceX, y)) > threshold)
                {
                    extent.first = extent.first < 0 ? x : extent.first;
                    extent.last = x;
                }

        return extent;
    };

    const juce::Rectangle<int> titleRows (100, 4, 300, 26);
    const auto bright = inkExtent (titleRows, 90, 150);
    const auto glow = inkExtent (titleRows, 90, 2);

    ASSERT_GE (bright.first, 0);
    EXPECT_NEAR ((bright.first + bright.last) / 2.0, 249.5, 1.5);
    EXPECT_NEAR (bright.first - glow.first, 2, 1);
    EXPECT_NEAR (glow.last - bright.last, 2, 1);

    const auto subtitle = inkExtent ({ 2, 3, 150, 12 }, 160, 2);
    EXPECT_NEAR (subtitle.first, 8, 1);

    const auto version = inkExtent ({ 420, 3, 78, 12 }, 430, 2);
    EXPECT_GE (version.last, 488);
    EXPECT_LE (version.last, 491);

    const auto footer = inkExtent ({ 20, 266, 460, 12 }, 15, 2);
    ASSERT_GE (footer.first, 0);
    EXPECT_NEAR ((footer.first + footer.last) / 2.0, 249.5, 1.5);
}

TEST_F (EditorDrawing, KnobShowsBodyArcAndPointerAtItsValue)
{
    const auto image = snapshot.renderEditor();
    const auto wave = knobGeometry (0);   // waveBlend at its default of 0.15

    const auto body = wave.pixelAt (0.15f + 0.5f, wave.radius * 0.5f);   // opposite the pointer
    EXPECT_TRUE (pixelNear (image, body.x, body.y, juce::Colour (0xff0a0014), 1));

    const auto centre = juce::Point<int> ((int) wave.centre.x, (int) wave.centre.y);
    EXPECT_TRUE (pixelNear (image, centre.x, centre.y, juce::Colour (0xffccfffa), 1));

    const auto litArc = wave.pixelAt (0.075f, wave.radius);
    const auto dimTrack = wave.pixelAt (0.7f, wave.radius);
    const auto pointer = wave.pixelAt (0.15f, wave.radius * 0.45f);

    EXPECT_GE (image.getPixelAt (litArc.x, litArc.y).getGreen(), 150);
    EXPECT_GE (image.getPixelAt (pointer.x, pointer.y).getGreen(), 150);
    EXPECT_GE (image.getPixelAt (dimTrack.x, dimTrack.y).getGreen(), 8);
    EXPECT_LE (image.getPixelAt (dimTrack.x, dimTrack.y).getGreen(), 60);
}

TEST_F (EditorDrawing, LegatoSwitchOffAndOn)
{
    auto& button = WarbleEditorTestAccess::legatoButton (snapshot.getEditor());

    // The button's area is (237, 244, 82, 14); row 252 carries a background line.
    const auto maxTextGreen = [] (const juce::Image& image)
    {
        int green = 0;

        for (int y = 246; y < 258; ++y)
            for (int x = 241; x < 316; ++x)
                green = juce::jmax (green, (int) image.getPixelAt (x, y).getGreen());

        return green;
    };

    const auto off = snapshot.renderEditor();
    EXPECT_TRUE (pixelNear (off, 239, 252, juce::Colour (0xff030008), 1));
    EXPECT_TRUE (pixelNear (off, 270, 244, over (juce::Colour (0xff030008), 0x4c00ffee, 0.6f), 3));
    EXPECT_NEAR (maxTextGreen (off), 128, 12);

    button.setToggleState (true, juce::sendNotificationSync);
    const auto on = snapshot.renderEditor();
    const auto onFill = over (plainBackground (239, 252), 0x1a00ffee);
    EXPECT_TRUE (pixelNear (on, 239, 252, onFill));
    EXPECT_TRUE (pixelNear (on, 270, 244, over (over (background, 0x1a00ffee), accent.getARGB(), 0.6f), 3));
    EXPECT_GE (maxTextGreen (on), 230);
}
