#include "VST3PresetWriter.h"

juce::Result VST3PresetWriter::readClassId (const juce::File& moduleInfo)
{
    // moduleinfo.json is JSON5 (trailing commas), which juce::JSON does not read; the class ID
    // is the "CID" just before the "Audio Module Class" category.
    const auto text = moduleInfo.loadFileAsString();
    const auto category = text.indexOf ("\"Audio Module Class\"");
    const auto cid = text.substring (0, category).lastIndexOf ("\"CID\"");

    if (category < 0 || cid < 0)
        return juce::Result::fail ("no audio processor class in " + moduleInfo.getFullPathName());

    classId = text.substring (cid + 5).fromFirstOccurrenceOf ("\"", false, false).upToFirstOccurrenceOf ("\"", false, false);

    if (classId.length() != 32 || ! classId.containsOnly ("0123456789ABCDEFabcdef"))
        return juce::Result::fail ("the class ID in " + moduleInfo.getFullPathName() + " is not 32 hex digits");

    return juce::Result::ok();
}

juce::Result VST3PresetWriter::write (const FactoryPresetBank::Preset& preset, const juce::MemoryBlock& componentState,
                                      const juce::File& folder) const
{
    // The layout of the VST3 SDK's preset files (PresetFile in vstpresetfile.h), little-endian: a
    // 48-byte header ("VST3", format version 1, the class ID as 32 ASCII characters, the offset of
    // the chunk list), the chunks' data, then the chunk list ("List", the number of chunks, and for
    // each its four-character ID, offset and size).
    constexpr juce::int64 headerSize = 48;
    const auto stateSize = (juce::int64) componentState.getSize();

    juce::MemoryOutputStream out;
    out.write ("VST3", 4);
    out.writeInt (1);
    out.write (classId.toRawUTF8(), 32);
    out.writeInt64 (headerSize + stateSize);
    out.write (componentState.getData(), componentState.getSize());
    out.write ("List", 4);
    out.writeInt (1);
    out.write ("Comp", 4);
    out.writeInt64 (headerSize);
    out.writeInt64 (stateSize);

    const auto file = folder.getChildFile (preset.name + ".vstpreset");

    if (! folder.createDirectory() || ! file.replaceWithData (out.getData(), out.getDataSize()))
        return juce::Result::fail ("cannot write " + file.getFullPathName());

    return juce::Result::ok();
}
