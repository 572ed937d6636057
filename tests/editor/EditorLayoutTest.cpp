#include "tools/snapshot/EditorTestAccess.h"

#include <gtest/gtest.h>

namespace
{
    using Access = WarbleEditorTestAccess;
    using Bounds = juce::Rectangle<int>;

    // Caption and knob of each grid cell, in member order.
    struct CellBounds
    {
        const char* caption;
        Bounds captionBounds;
        Bounds knobBounds;
    };

    const CellBounds defaultCells[] {
        { "WAVE",   { 233,  38, 64, 12 }, { 234,  51, 62, 87 } },
        { "GLIDE",  { 297,  38, 64, 12 }, { 298,  51, 62, 87 } },
        { "VIB HZ", { 361,  38, 64, 12 }, { 362,  51, 62, 87 } },
        { "CUTOFF", { 425,  38, 67, 12 }, { 426,  51, 65, 87 } },
        { "MW MOD", { 233, 139, 64, 12 }, { 234, 152, 62, 87 } },
        { "RESO",   { 297, 139, 64, 12 }, { 298, 152, 62, 87 } },
        { "VOL",    { 361, 139, 64, 12 }, { 362, 152, 62, 87 } },
        { "VERB",   { 425, 139, 67, 12 }, { 426, 152, 65, 87 } },
    };
}

TEST (EditorLayout, OpensAt500By280WithEveryChildInPlace)
{
    WarbleProcessor processor;
    WarbleEditor editor (processor);

    EXPECT_EQ (editor.getWidth(), 500);
    EXPECT_EQ (editor.getHeight(), 280);
    EXPECT_FALSE (editor.isResizable());

    // The pad keeps the full content height; the switch row lies under the knob grid only.
    EXPECT_EQ (Access::pad (editor).getBounds(), Bounds (10, 40, 213, 220));
    EXPECT_EQ (Access::legatoButton (editor).getBounds(), Bounds (235, 242, 86, 18));
    EXPECT_EQ (Access::legatoButton (editor).getButtonText(), "LEGATO");

    for (size_t i = 0; i < std::size (defaultCells); ++i)
    {
        SCOPED_TRACE (defaultCells[i].caption);
        EXPECT_EQ (Access::caption (editor, i).getText(), defaultCells[i].caption);
        EXPECT_EQ (Access::caption (editor, i).getBounds(), defaultCells[i].captionBounds);
        EXPECT_EQ (Access::knob (editor, i).getBounds(), defaultCells[i].knobBounds);
    }
}

TEST (EditorLayout, EveryChildIsAVisibleChildOfTheEditor)
{
    WarbleProcessor processor;
    WarbleEditor editor (processor);

    std::vector<juce::Component*> expected { &Access::pad (editor), &Access::legatoButton (editor) };

    for (size_t i = 0; i < WarbleEditor::numKnobs; ++i)
    {
        expected.push_back (&Access::knob (editor, i));
        expected.push_back (&Access::caption (editor, i));
    }

    EXPECT_EQ (editor.getNumChildComponents(), (int) expected.size());

    for (auto* child : expected)
    {
        EXPECT_EQ (child->getParentComponent(), &editor);
        EXPECT_TRUE (child->isVisible());
    }
}

TEST (EditorLayout, CollapsesWithoutNegativeSizesAtZeroSize)
{
    WarbleProcessor processor;
    WarbleEditor editor (processor);
    editor.setSize (0, 0);

    EXPECT_EQ (Access::pad (editor).getBounds(), Bounds (10, 6, 0, 0));
    EXPECT_EQ (Access::legatoButton (editor).getBounds(), Bounds (10, 6, 0, 0));

    for (size_t i = 0; i < WarbleEditor::numKnobs; ++i)
    {
        EXPECT_EQ (Access::caption (editor, i).getBounds(), Bounds (8, 4, 0, 0));
        EXPECT_EQ (Access::knob (editor, i).getWidth(), 0);
        EXPECT_EQ (Access::knob (editor, i).getHeight(), 0);
    }
}

TEST (EditorLayout, FollowsTheIntegerArithmeticAtOtherSizes)
{
    WarbleProcessor processor;
    WarbleEditor editor (processor);

    // 600 x 400: content (8, 38, 584, 344), pad strip 262 wide, grid (278, 38, 314, 322), cw 78.
    editor.setSize (600, 400);

    EXPECT_EQ (Access::pad (editor).getBounds(), Bounds (10, 40, 258, 340));
    EXPECT_EQ (Access::legatoButton (editor).getBounds(), Bounds (280, 362, 86, 18));
    EXPECT_EQ (Access::caption (editor, 3).getBounds(), Bounds (512, 38, 80, 12));
    EXPECT_EQ (Access::knob (editor, 4).getBounds(), Bounds (279, 212, 76, 147));

    for (int width = 0; width <= 520; width += 13)
    {
        editor.setSize (width, width / 2);

        for (auto* child : editor.getChildren())
        {
            EXPECT_GE (child->getWidth(), 0);
            EXPECT_GE (child->getHeight(), 0);
        }
    }
}
