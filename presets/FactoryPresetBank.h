#pragma once

#include "FactoryPresetData.h"

#include <juce_core/juce_core.h>

#include <vector>

/** Warble's factory presets, read from the one file that defines them (presets/factory-presets.json,
    compiled in). Every format's preset files are made from it at build time, and warble-render and
    the application read it here, so the names and values agree everywhere.

    Each preset gives all nine parameters in their real units (milliseconds, hertz, 0 to 1, and 0 or
    1 for the legato switch), by the instrument's parameter identifiers. */
class FactoryPresetBank
{
public:
    struct Value
    {
        juce::String parameterId;
        double value = 0.0;
    };

    struct Preset
    {
        juce::String name;
        juce::String purpose;
        std::vector<Value> values;
    };

    /** The compiled-in bank. */
    static const FactoryPresetBank& getInstance()
    {
        static const FactoryPresetBank bank { FactoryPresetData::json };
        return bank;
    }

    /** Reads a bank from its JSON text. A text that is not the expected shape gives an empty bank
        and the reason in getError(). */
    explicit FactoryPresetBank (const juce::String& jsonText)
    {
        juce::var parsed;

        if (const auto result = juce::JSON::parse (jsonText, parsed); result.failed())
        {
            error = "the preset bank is not valid JSON: " + result.getErrorMessage();
            return;
        }

        const auto* list = parsed["presets"].getArray();

        if (list == nullptr)
        {
            error = "the preset bank has no \"presets\" list";
            return;
        }

        for (const auto& entry : *list)
        {
            Preset preset;
            preset.name = entry["name"].toString();
            preset.purpose = entry["purpose"].toString();

            if (const auto* values = entry["values"].getDynamicObject())
                for (const auto& property : values->getProperties())
                    preset.values.push_back ({ property.name.toString(), (double) property.value });

            if (preset.name.isEmpty() || preset.values.empty())
            {
                error = "a preset of the bank lacks a name or values";
                presets.clear();
                return;
            }

            presets.push_back (std::move (preset));
        }
    }

    const std::vector<Preset>& getPresets() const noexcept  { return presets; }
    const juce::String& getError() const noexcept            { return error; }

    /** The preset of that name, ignoring case, or null. */
    const Preset* find (const juce::String& name) const
    {
        for (const auto& preset : presets)
            if (preset.name.equalsIgnoreCase (name.trim()))
                return &preset;

        return nullptr;
    }

    juce::StringArray getNames() const
    {
        juce::StringArray names;

        for (const auto& preset : presets)
            names.add (preset.name);

        return names;
    }

    /** A name as a file or URI name: lower case, words joined by hyphens ("classic-theremin"). */
    static juce::String toSlug (const juce::String& name)
    {
        auto words = juce::StringArray::fromTokens (name.toLowerCase().retainCharacters ("abcdefghijklmnopqrstuvwxyz0123456789 "),
                                                    " ", "");
        words.removeEmptyStrings();
        return words.joinIntoString ("-");
    }

private:
    std::vector<Preset> presets;
    juce::String error;
};
