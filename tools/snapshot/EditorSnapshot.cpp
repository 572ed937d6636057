#include "EditorSnapshot.h"

#include "EditorTestAccess.h"

EditorSnapshot::EditorSnapshot (WarbleProcessor& processorToShow)
    : processor (processorToShow),
      editor (processorToShow)
{
}

XYPadDisplay& EditorSnapshot::getPad() noexcept
{
    return WarbleEditorTestAccess::pad (editor);
}

void EditorSnapshot::publish (std::optional<int> note, float wheel)
{
    if (note.has_value())
        processor.lastNote.store (*note);

    processor.modWheel.store (wheel);
    processor.activeVoiceCount.store (note.has_value() ? 1 : 0);
}

void EditorSnapshot::tick()
{
    XYPadDisplayTestAccess::tick (getPad());
}

void EditorSnapshot::perform (const Performance& performance)
{
    const auto ticks = juce::jmax (performance.ticks, 0);

    for (int i = 1; i <= ticks; ++i)
    {
        const auto progress = (float) i / (float) ticks;
        std::optional<int> note;

        if (performance.note.has_value())
        {
            const auto start = (float) performance.startNote.value_or (*performance.note);
            note = juce::roundToInt (start + progress * ((float) *performance.note - start));
        }

        const auto startWheel = performance.startWheel.value_or (performance.wheel);
        publish (note, startWheel + progress * (performance.wheel - startWheel));
        tick();
    }

    publish (performance.note, performance.wheel);
}

juce::Image EditorSnapshot::makeImage (int width, int height)
{
    return juce::Image (juce::Image::ARGB, juce::jmax (width, 1), juce::jmax (height, 1), true, juce::SoftwareImageType());
}

void EditorSnapshot::paintEditor (juce::Image& target, juce::Rectangle<int> area)
{
    juce::Graphics g (target);
    g.reduceClipRegion (area);
    editor.paintEntireComponent (g, true);
}

juce::Image EditorSnapshot::renderEditor()
{
    auto image = makeImage (editor.getWidth(), editor.getHeight());
    paintEditor (image, editor.getLocalBounds());
    return image;
}

juce::Image EditorSnapshot::renderPad()
{
    auto& pad = getPad();
    auto image = makeImage (pad.getWidth(), pad.getHeight());
    juce::Graphics g (image);
    pad.paintEntireComponent (g, true);
    return image;
}

bool EditorSnapshot::writePng (const juce::Image& image, const juce::File& file)
{
    if (! file.getParentDirectory().createDirectory())
        return false;

    juce::TemporaryFile temporary (file);

    {
        juce::FileOutputStream stream (temporary.getFile());

        if (! stream.openedOk() || ! juce::PNGImageFormat().writeImageToStream (image, stream))
            return false;

        stream.flush();

        if (stream.getStatus().failed())
            return false;
    }

    return temporary.overwriteTargetFileWithTemporary();
}
