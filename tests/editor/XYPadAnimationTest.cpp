#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
    using Access = XYPadDisplayTestAccess;

    class XYPadAnimation : public testing::Test
    {
    protected:
        void publish (int voices, int note, float wheel)
        {
            processor.activeVoiceCount.store (voices);
            processor.lastNote.store (note);
            processor.modWheel.store (wheel);
        }

        void tick (int times = 1)
        {
            for (int i = 0; i < times; ++i)
                Access::tick (pad);
        }

        const std::vector<Access::TrailPoint>& trail() const   { return Access::trail (pad); }

        WarbleProcessor processor;
        XYPadDisplay pad { processor };
    };

    constexpr float tickAge = 1.0f / 30.0f;
}

TEST_F (XYPadAnimation, StartsIdleWithAnEmptyTrail)
{
    EXPECT_TRUE (trail().empty());
    EXPECT_EQ (Access::hue (pad), 180.0f);
    EXPECT_EQ (Access::pulsePhase (pad), 0.0f);
    EXPECT_FALSE (pad.isOpaque());

    tick (5);
    EXPECT_TRUE (trail().empty());
    EXPECT_EQ (Access::hue (pad), 180.0f);
}

TEST_F (XYPadAnimation, PlaysOnlyWithASoundingVoiceAndANote)
{
    struct Case { int voices; int note; bool adds; };

    const Case cases[] {
        { 0, -1, false },
        { 0, 60, false },   // a note has been played, but nothing sounds now
        { 1, -1, false },
        { -1, 60, false },
        { 1, 60, true },
        { 8, 0, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.voices) + " voices, note " + juce::String (c.note));
        XYPadDisplay fresh (processor);
        publish (c.voices, c.note, 0.5f);
        Access::tick (fresh);
        EXPECT_EQ (Access::trail (fresh).size(), c.adds ? 1u : 0u);
    }
}

TEST_F (XYPadAnimation, MapsNotesAcrossFiveOctavesAndClampsTheWheel)
{
    struct Case { int note; float wheel; float x; float y; };

    const Case cases[] {
        { 60, 0.5f, 0.4f, 0.5f },
        { 36, 0.0f, 0.0f, 0.0f },
        { 96, 1.0f, 1.0f, 1.0f },
        { 0, -0.25f, 0.0f, 0.0f },
        { 127, 1.75f, 1.0f, 1.0f },
        { 48, 0.125f, 0.2f, 0.125f },
        { 66, std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.0f },
        { 67, std::numeric_limits<float>::infinity(), 31.0f / 60.0f, 1.0f },
        { std::numeric_limits<int>::max(), 0.5f, 1.0f, 0.5f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.note) + ", wheel " + juce::String (c.wheel));
        publish (1, c.note, c.wheel);
        tick();
        EXPECT_FLOAT_EQ (trail().back().x, c.x);
        EXPECT_FLOAT_EQ (trail().back().y, c.y);
    }
}

TEST_F (XYPadAnimation, SteadyPlayingHolds61PointsAgedZeroTo60Ticks)
{
    publish (1, 60, 0.5f);

    for (int ticks = 1; ticks <= 61; ++ticks)
    {
        tick();
        ASSERT_EQ (trail().size(), (size_t) ticks);
    }

    // From here the oldest point expires on the tick that gives it its 61st increment.
    for (int ticks = 0; ticks < 200; ++ticks)
    {
        tick();
        ASSERT_EQ (trail().size(), 61u);
    }

    EXPECT_EQ (trail().back().age, 0.0f);
    EXPECT_NEAR (trail().front().age, 60.0f * tickAge, 1.0e-4f);
    EXPECT_LE (trail().front().age, XYPadDisplay::trailLifetimeSeconds);

    for (size_t i = 1; i < trail().size(); ++i)
        EXPECT_LT (trail()[i].age, trail()[i - 1].age);
}

TEST_F (XYPadAnimation, TrailFadesOutAfterTheLastVoiceEnds)
{
    publish (1, 60, 0.5f);
    tick (100);
    publish (0, 60, 0.5f);

    tick (59);
    EXPECT_EQ (trail().size(), 2u);
    tick();
    EXPECT_EQ (trail().size(), 1u);
    tick();
    EXPECT_TRUE (trail().empty());
}

TEST_F (XYPadAnimation, ANewNoteWithinTwoSecondsJoinsTheOldTrail)
{
    publish (1, 48, 0.0f);
    tick (3);
    publish (0, 48, 0.0f);
    tick (20);
    publish (1, 72, 1.0f);
    tick();

    ASSERT_EQ (trail().size(), 4u);
    EXPECT_FLOAT_EQ (trail()[2].x, 0.2f);
    EXPECT_FLOAT_EQ (trail()[3].x, 0.6f);
    EXPECT_FLOAT_EQ (trail()[3].y, 1.0f);
}

TEST_F (XYPadAnimation, NeverHoldsMoreThan120Points)
{
    // Expiry keeps steady playing at 61 points, so fill the trail with young points to reach the cap.
    auto& points = Access::trail (pad);
    points.assign (XYPadDisplay::maximumTrailPoints, { 0.0f, 0.0f, 0.0f, 0.0f });
    points.front().x = 0.25f;
    points[1].x = 0.75f;

    publish (1, 60, 0.5f);
    tick();

    ASSERT_EQ (trail().size(), XYPadDisplay::maximumTrailPoints);
    EXPECT_EQ (trail().front().x, 0.75f);
    EXPECT_FLOAT_EQ (trail().back().x, 0.4f);
}

TEST_F (XYPadAnimation, HueStepsWhilePlayingAndWrapsPast360)
{
    publish (1, 60, 0.5f);
    tick();
    EXPECT_EQ (trail().back().hue, 181.5f);

    tick (118);
    EXPECT_EQ (Access::hue (pad), 358.5f);
    tick();
    EXPECT_EQ (Access::hue (pad), 0.0f);
    tick();
    EXPECT_EQ (trail().back().hue, 1.5f);

    publish (0, 60, 0.5f);
    tick (10);
    EXPECT_EQ (Access::hue (pad), 1.5f);
}

TEST_F (XYPadAnimation, PulsePhaseAlwaysMovesAndWrapsAfter63Ticks)
{
    tick (62);
    EXPECT_NEAR (Access::pulsePhase (pad), 6.2f, 1.0e-4f);
    tick();
    EXPECT_NEAR (Access::pulsePhase (pad), 6.3f - 6.2831855f, 1.0e-4f);
    EXPECT_TRUE (trail().empty());
}
