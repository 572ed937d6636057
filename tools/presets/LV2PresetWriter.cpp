#include "LV2PresetWriter.h"

namespace
{
    juce::String toTurtleString (const juce::String& text)
    {
        return "\"" + text.replace ("\\", "\\\\").replace ("\"", "\\\"") + "\"";
    }

    juce::String getPresetFileName (const juce::String& presetName)
    {
        return "preset-" + FactoryPresetBank::toSlug (presetName) + ".ttl";
    }
}

LV2PresetWriter::LV2PresetWriter (const juce::File& bundleToWriteInto, const juce::String& uri)
    : bundle (bundleToWriteInto), pluginUri (uri)
{
}

juce::String LV2PresetWriter::getPresetUri (const juce::String& uri, const juce::String& presetName)
{
    return uri + ":preset:" + FactoryPresetBank::toSlug (presetName);
}

juce::Result LV2PresetWriter::write (const FactoryPresetBank::Preset& preset, const juce::MemoryBlock& state)
{
    const auto presetUri = getPresetUri (pluginUri, preset.name);
    const auto fileName = getPresetFileName (preset.name);

    juce::String text;
    text << "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
            "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
            "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
            "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
            "\n"
         << "<" << presetUri << ">\n"
         << "\ta pset:Preset ;\n"
         << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
         << "\trdfs:label " << toTurtleString (preset.name) << " ;\n"
         << "\trdfs:comment " << toTurtleString (preset.purpose) << " ;\n"
         << "\tstate:state [\n"
         << "\t\t<" << pluginUri << ":StateString> " << toTurtleString (state.toBase64Encoding()) << "\n"
         << "\t] .\n";

    if (! bundle.getChildFile (fileName).replaceWithText (text, false, false, "\n"))
        return juce::Result::fail ("cannot write " + bundle.getChildFile (fileName).getFullPathName());

    manifestEntries << "<" << presetUri << ">\n"
                    << "\ta pset:Preset ;\n"
                    << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                    << "\trdfs:label " << toTurtleString (preset.name) << " ;\n"
                    << "\trdfs:seeAlso <" << fileName << "> .\n\n";
    return juce::Result::ok();
}

juce::Result LV2PresetWriter::finish()
{
    const auto manifest = bundle.getChildFile ("manifest.ttl");

    if (! manifest.existsAsFile())
        return juce::Result::fail ("no manifest.ttl in " + bundle.getFullPathName());

    // The manifest's statements are separated by blank lines. Every preset statement goes (the
    // program presets, and ours from an earlier run), the rest stays as it is.
    juce::StringArray kept;
    auto rest = manifest.loadFileAsString();

    while (rest.isNotEmpty())
    {
        const auto statement = rest.upToFirstOccurrenceOf ("\n\n", false, false).trim();
        rest = rest.fromFirstOccurrenceOf ("\n\n", false, false);

        if (statement.isNotEmpty() && ! statement.contains ("a pset:Preset"))
            kept.add (statement);
    }

    const auto text = kept.joinIntoString ("\n\n") + "\n\n" + manifestEntries.trimEnd() + "\n";

    if (! manifest.replaceWithText (text, false, false, "\n"))
        return juce::Result::fail ("cannot write " + manifest.getFullPathName());

    return juce::Result::ok();
}
