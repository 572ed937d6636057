#include "host/PluginBundleLoader.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <map>

// What a user's saved projects refer to the instrument by, and the states they hold: written out
// as literals and as files saved by Warble 1.0.0, so that a change to any of them fails here
// instead of in a user's session. A project names the plug-in by its class (VST3) or URI (LV2),
// its automation by parameter IDs, and keeps the state the plug-in gave the host.
namespace
{
    /** The class table of a VST3 module's factory, read as a host reads it: GetPluginFactory,
        then each class's info, through the interface's table of functions as VST3's C binding
        declares it (every call takes the object first). Only the calls used here, in the order of
        the VST3 interfaces. Calling through a C++ class of our own instead would name a type the
        object is not, which UBSan's checks of dynamic types rightly refuse. */
    struct Vst3ClassInfo
    {
        std::uint8_t cid[16];
        std::int32_t cardinality;
        char category[32];
        char name[64];
    };

    struct Vst3Factory;

    struct Vst3FactoryFunctions
    {
        std::int32_t (*queryInterface) (Vst3Factory*, const char* iid, void** object);
        std::uint32_t (*addRef) (Vst3Factory*);
        std::uint32_t (*release) (Vst3Factory*);
        std::int32_t (*getFactoryInfo) (Vst3Factory*, void* info);
        std::int32_t (*countClasses) (Vst3Factory*);
        std::int32_t (*getClassInfo) (Vst3Factory*, std::int32_t index, Vst3ClassInfo* info);
    };

    struct Vst3Factory
    {
        const Vst3FactoryFunctions* functions;
    };
}

namespace
{
    struct FixtureValue
    {
        const char* id;
        const char* text;   // as the plug-in shows it
    };

    // What the 1.0.0 fixtures hold: every parameter away from its default.
    const FixtureValue fixtureValues[] = {
        { "waveBlend", "0.800" }, { "glideTime", "333.0" }, { "vibratoRate", "7.25" },
        { "filterBase", "0.600" }, { "filterMod", "0.250" }, { "resonance", "0.600" },
        { "volume", "0.450" }, { "reverb", "0.120" }, { "legato", "On" },
    };

    juce::File fixture (const char* name)
    {
        return juce::File (WARBLE_TEST_FIXTURES_DIR).getChildFile ("1.0.0").getChildFile (name);
    }

    /** Whether a parameter's text shows the value: JUCE's LV2 hosting writes numbers without
        the plug-in's trailing zeros ("0.12" for "0.120"). */
    bool showsValue (const juce::String& shown, const juce::String& expected)
    {
        const auto isNumber = [] (const juce::String& text) { return text.containsOnly ("0123456789.-"); };
        return shown == expected
               || (isNumber (shown) && isNumber (expected) && std::abs (shown.getDoubleValue() - expected.getDoubleValue()) < 1.0e-4);
    }

    /** The plug-in's own parameters as a host lists them, by the ID the host stores. */
    std::map<juce::String, juce::AudioPluginInstance::HostedParameter*> parametersByHostId (juce::AudioPluginInstance& instance)
    {
        std::map<juce::String, juce::AudioPluginInstance::HostedParameter*> result;

        for (int index = 0; index < instance.getParameters().size(); ++index)
            if (auto* hosted = instance.getHostedParameter (index))
                result[hosted->getParameterID()] = hosted;

        return result;
    }

    /** Sets every parameter to the end of its range farthest from the fixture's value, so that a
        value the restoring leaves alone cannot pass for the fixture's. */
    void moveAwayFromFixture (juce::AudioPluginInstance& instance, const std::map<juce::String, juce::String>& hostIds)
    {
        auto parameters = parametersByHostId (instance);

        for (const auto& value : fixtureValues)
        {
            auto* parameter = parameters[hostIds.at (value.id)];
            ASSERT_NE (parameter, nullptr) << value.id;
            const auto target = parameter->getValueForText (value.text);
            parameter->setValueNotifyingHost (target < 0.5f ? 1.0f : 0.0f);
        }

        warble::test::renderPeak (instance, 1, 512, {});

        for (const auto& value : fixtureValues)
        {
            auto* parameter = parameters[hostIds.at (value.id)];
            ASSERT_FALSE (showsValue (parameter->getText (parameter->getValue(), 100), value.text)) << value.id << " did not move";
        }
    }

    void expectHoldsFixture (juce::AudioPluginInstance& instance, const std::map<juce::String, juce::String>& hostIds)
    {
        auto parameters = parametersByHostId (instance);

        for (const auto& value : fixtureValues)
        {
            auto* parameter = parameters[hostIds.at (value.id)];
            ASSERT_NE (parameter, nullptr) << value.id;
            const auto shown = parameter->getText (parameter->getValue(), 100);
            EXPECT_TRUE (showsValue (shown, value.text)) << value.id << " is " << shown << ", not " << value.text;
        }
    }

    // The parameter IDs a VST3 host stores for automation and controller assignments: JUCE's
    // wrapper hashes each string identifier to a 31-bit number.
    const std::map<juce::String, juce::String> vst3ParameterIds {
        { "waveBlend", "1517228248" }, { "glideTime", "1565626386" }, { "vibratoRate", "796119545" },
        { "filterBase", "593873513" }, { "filterMod", "1266094186" }, { "resonance", "157452366" },
        { "volume", "1336600346" }, { "reverb", "1213131218" }, { "legato", "1040905678" },
    };

    // An LV2 host names a parameter by its URI, which JUCE's hosting lists as "des:" and the URI.
    const std::map<juce::String, juce::String> lv2ParameterIds {
        { "waveBlend", "des:urn:kestrelworks:warble:waveBlend" }, { "glideTime", "des:urn:kestrelworks:warble:glideTime" },
        { "vibratoRate", "des:urn:kestrelworks:warble:vibratoRate" }, { "filterBase", "des:urn:kestrelworks:warble:filterBase" },
        { "filterMod", "des:urn:kestrelworks:warble:filterMod" }, { "resonance", "des:urn:kestrelworks:warble:resonance" },
        { "volume", "des:urn:kestrelworks:warble:volume" }, { "reverb", "des:urn:kestrelworks:warble:reverb" },
        { "legato", "des:urn:kestrelworks:warble:legato" },
    };

    std::map<juce::String, juce::String> vst3ClassIdsByCategory()
    {
        std::map<juce::String, juce::String> result;
        const auto library = juce::File (WARBLE_BUILT_VST3_BUNDLE).getChildFile ("Contents/x86_64-linux/Warble.so");
        auto* handle = dlopen (library.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

        if (handle == nullptr)
        {
            ADD_FAILURE() << dlerror();
            return result;
        }

        using ModuleEntry = bool (*) (void*);
        using ModuleExit = bool (*)();
        using GetFactory = Vst3Factory* (*)();
        const auto entry = reinterpret_cast<ModuleEntry> (dlsym (handle, "ModuleEntry"));
        const auto exit = reinterpret_cast<ModuleExit> (dlsym (handle, "ModuleExit"));
        const auto getFactory = reinterpret_cast<GetFactory> (dlsym (handle, "GetPluginFactory"));

        if (entry != nullptr && exit != nullptr && getFactory != nullptr && entry (handle))
        {
            if (auto* factory = getFactory())
            {
                for (std::int32_t index = 0; index < factory->functions->countClasses (factory); ++index)
                {
                    Vst3ClassInfo info {};

                    if (factory->functions->getClassInfo (factory, index, &info) == 0)
                        result[juce::String (info.category)] = juce::String::toHexString (info.cid, 16, 0).toUpperCase();
                }

                factory->functions->release (factory);
            }

            exit();
        }
        else
        {
            ADD_FAILURE() << "not a VST3 module: " << library.getFullPathName();
        }

        dlclose (handle);
        return result;
    }
}

TEST (SavedProject, Vst3ClassIdsAreThoseOfVersion100)
{
    // A project names the plug-in by its component's class ID; the controller's ID is how the
    // component names its editor. JUCE derives both from the manufacturer and plug-in codes.
    const auto classes = vst3ClassIdsByCategory();
    EXPECT_EQ (classes.at ("Audio Module Class"), "ABCDEF019182FAEB4B7374724B77626C");
    EXPECT_EQ (classes.at ("Component Controller Class"), "ABCDEF011234ABCD4B7374724B77626C");

    // What hosts that read the bundle's manifest instead of loading it see.
    const auto manifest = juce::File (WARBLE_BUILT_VST3_BUNDLE).getChildFile ("Contents/Resources/moduleinfo.json").loadFileAsString();
    EXPECT_TRUE (manifest.contains ("\"CID\": \"ABCDEF019182FAEB4B7374724B77626C\",\n      \"Category\": \"Audio Module Class\"")) << manifest;
    EXPECT_TRUE (manifest.contains ("\"CID\": \"ABCDEF011234ABCD4B7374724B77626C\",\n      \"Category\": \"Component Controller Class\"")) << manifest;
}

TEST (SavedProject, ParameterIdsAreThoseOfVersion100)
{
    for (const auto& [bundle, ids] : { std::pair { WARBLE_BUILT_VST3_BUNDLE, &vst3ParameterIds },
                                       std::pair { WARBLE_BUILT_LV2_BUNDLE, &lv2ParameterIds } })
    {
        SCOPED_TRACE (bundle);
        const warble::test::PluginBundleLoader loader { juce::File (bundle) };
        ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
        const auto instance = loader.createInstance();
        ASSERT_NE (instance, nullptr);

        const auto parameters = parametersByHostId (*instance);

        for (const auto& [id, hostId] : *ids)
            EXPECT_EQ (parameters.count (hostId), 1u) << id << " is not " << hostId;
    }

    // An LV2 session names the plug-in by its URI.
    const warble::test::PluginBundleLoader lv2 { juce::File (WARBLE_BUILT_LV2_BUNDLE) };
    ASSERT_TRUE (lv2.foundPlugin()) << lv2.describeFailure();
    EXPECT_EQ (lv2.getDescription().fileOrIdentifier, "urn:kestrelworks:warble");
}

TEST (SavedProject, StatesSavedByVersion100RestoreExactly)
{
    // Each as JUCE's hosting saved it from Warble 1.0.0: the VST3's component and controller
    // states as a host stores them, and the LV2 state in the text form a host writes.
    for (const auto& [bundle, file, ids] : { std::tuple { WARBLE_BUILT_VST3_BUNDLE, "vst3-host-state.xml", &vst3ParameterIds },
                                             std::tuple { WARBLE_BUILT_LV2_BUNDLE, "lv2-host-state.ttl", &lv2ParameterIds } })
    {
        SCOPED_TRACE (file);
        juce::MemoryBlock saved;
        ASSERT_TRUE (fixture (file).loadFileAsData (saved)) << fixture (file).getFullPathName();

        const warble::test::PluginBundleLoader loader { juce::File (bundle) };
        ASSERT_TRUE (loader.foundPlugin()) << loader.describeFailure();
        const auto instance = loader.createInstance();
        ASSERT_NE (instance, nullptr);
        instance->prepareToPlay (48000.0, 512);
        moveAwayFromFixture (*instance, *ids);
        if (HasFatalFailure())
            return;

        instance->setStateInformation (saved.getData(), (int) saved.getSize());

        // A VST3 controller reports the new values through a restart request answered on the
        // message thread; an LV2 plug-in with its next block.
        warble::test::renderPeak (*instance, 1, 512, {});
        juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
        instance->releaseResources();
        expectHoldsFixture (*instance, *ids);
    }
}
