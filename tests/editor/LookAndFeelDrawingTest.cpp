#include "PixelProbe.h"

#include "display/WarbleLookAndFeel.h"

#include <cmath>

namespace
{
    const juce::Colour black (0xff000000);

    class LookAndFeelDrawing : public testing::Test
    {
    protected:
        juce::Image drawKnob (juce::Rectangle<int> area, float position)
        {
            auto image = blankImage();
            juce::Graphics g (image);
            lookAndFeel.drawRotarySlider (g, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                                          position, startAngle, endAngle, slider);
            return image;
        }

        juce::Image drawToggle (juce::String text, bool on, juce::Rectangle<int> size)
        {
            auto image = blankImage();
            juce::ToggleButton button (text);
            button.setSize (size.getWidth(), size.getHeight());
            button.setToggleState (on, juce::dontSendNotification);
            juce::Graphics g (image);
            lookAndFeel.drawToggleButton (g, button, true, true);
            return image;
        }

        static juce::Image blankImage()
        {
            juce::Image image (juce::Image::ARGB, 120, 120, true, juce::SoftwareImageType());
            image.clear (image.getBounds(), black);
            return image;
        }

        // The pixel under a point at the given distance from (cx, cy) along an angle measured
        // clockwise from twelve o'clock.
        static juce::Point<int> along (float cx, float cy, float angle, float distance)
        {
            return { (int) std::floor (cx + distance * std::sin (angle)),
                     (int) std::floor (cy - distance * std::cos (angle)) };
        }

        static int green (const juce::Image& image, juce::Point<int> p)   { return image.getPixelAt (p.x, p.y).getGreen(); }

        const float startAngle = juce::MathConstants<float>::pi * 1.2f;
        const float endAngle = juce::MathConstants<float>::pi * 2.8f;

        WarbleLookAndFeel lookAndFeel;
        juce::Slider slider;
    };
}

TEST_F (LookAndFeelDrawing, SetsTheTextColoursOfKnobsAndLabels)
{
    EXPECT_EQ (lookAndFeel.findColour (juce::Slider::textBoxTextColourId), juce::Colour (0xff00ffee));
    EXPECT_EQ (lookAndFeel.findColour (juce::Slider::textBoxOutlineColourId), juce::Colours::transparentBlack);
    EXPECT_EQ (lookAndFeel.findColour (juce::Label::textColourId), juce::Colour (0xff00ffee));
}

TEST_F (LookAndFeelDrawing, ValueArcAndPointerFollowThePosition)
{
    // Area (10, 10, 100, 100): drawing area (16, 16, 88, 88), centre (60, 60), radius 44.
    const auto empty = drawKnob ({ 10, 10, 100, 100 }, 0.0f);
    const auto full = drawKnob ({ 10, 10, 100, 100 }, 1.0f);
    const auto midTrack = startAngle + 0.5f * (endAngle - startAngle);

    EXPECT_LE (green (empty, along (60, 60, midTrack, 44)), 60);
    EXPECT_GE (green (full, along (60, 60, midTrack, 44)), 150);

    EXPECT_GE (green (empty, along (60, 60, startAngle, 18)), 150);
    EXPECT_LE (green (empty, along (60, 60, endAngle, 18)), 60);
    EXPECT_GE (green (full, along (60, 60, endAngle, 18)), 150);

    EXPECT_TRUE (pixelNear (full, 60, 60, juce::Colour (0xffccfffa), 1));
    EXPECT_TRUE (pixelNear (full, 60, 80, juce::Colour (0xff0a0014), 1));
}

TEST_F (LookAndFeelDrawing, HaloRingsSurroundTheBody)
{
    // The outer ring has radius 50 (r + 6) at alpha 0.06; beyond 52 nothing is drawn.
    const auto image = drawKnob ({ 10, 10, 100, 100 }, 0.5f);

    EXPECT_TRUE (pixelNear (image, 60, 110, over (black, 0x0f00ffee, 0.8f), 2));
    EXPECT_TRUE (pixelNear (image, 60, 113, black, 0));
}

TEST_F (LookAndFeelDrawing, NonSquareAreaDrawsACircleCentredOnTheSmallerSide)
{
    // Area (10, 10, 100, 60): drawing area (16, 16, 88, 48), centre (60, 40), radius 24.
    const auto image = drawKnob ({ 10, 10, 100, 60 }, 0.5f);

    EXPECT_TRUE (pixelNear (image, 40, 40, juce::Colour (0xff0a0014), 1));
    EXPECT_TRUE (pixelNear (image, 20, 40, black, 0));
    EXPECT_TRUE (pixelNear (image, 100, 40, black, 0));
}

TEST_F (LookAndFeelDrawing, TinyKnobKeepsOnlyItsHaloAndCentreDot)
{
    for (const auto size : { 12, 5, 0 })
    {
        SCOPED_TRACE (size);
        const auto image = drawKnob ({ 50, 50, size, size }, 0.7f);
        const auto centre = 56;   // (50 + 6, 50 + 6): the area shrinks to a point there

        EXPECT_GE (green (image, { centre, centre }), 200);
        EXPECT_TRUE (pixelNear (image, centre + 12, centre, black, 0));
    }
}

TEST_F (LookAndFeelDrawing, ToggleShowsItsWholeSuffixedTextAtTheEditorsSize)
{
    // The legato switch is 86 x 18 in the editor; its box is drawn 2 pixels inside, and a text
    // too wide for it would be cut short with an ellipsis.
    const juce::Rectangle<int> switchSize (0, 0, 86, 18);
    const juce::Font font (juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), 10.0f, juce::Font::bold));

    for (const auto on : { false, true })
    {
        for (const juce::String label : { "LEGATO", "" })
        {
            const auto text = label + (on ? "://ON" : "://OFF");
            SCOPED_TRACE (text);

            const auto image = drawToggle (label, on, switchSize);
            const auto fill = image.getPixelAt (4, 9);
            const auto ink = columnsWithInk (image, { 4, 4, 78, 10 }, fill);
            const auto textWidth = juce::GlyphArrangement::getStringWidth (font, text);

            ASSERT_GE (ink.first, 4);
            EXPECT_LE (textWidth, 82.0f);
            EXPECT_NEAR (ink.last + 1 - ink.first, textWidth, 2.5f);
            EXPECT_NEAR ((ink.first + ink.last + 1) / 2.0, 43.0, 2.0);
        }
    }
}
