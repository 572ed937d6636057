#include "lv2host/LilvPluginHost.h"
#include "presets/FactoryPresetBank.h"

#include <gtest/gtest.h>

#include <cmath>

// The nine parameters of the built Warble.lv2 as a host that is not JUCE's reads them: a small
// lilv host that asks as Ardour and Qtractor do (patch:Get on the control input, patch:Set read
// from the control output) right after instantiation, after each preset of the bundle and after a
// saved state is restored. A host that is told nothing shows 0 or the minimum for each parameter,
// and an automation lane armed from such a value writes it.
namespace
{
    using warble::test::LilvPluginHost;
    using Values = LilvPluginHost::Reported;

    std::string uriOf (const std::string& id)
    {
        return std::string (WARBLE_LV2_URI) + ":" + id;
    }

    Values byUri (std::initializer_list<std::pair<const char*, float>> values)
    {
        Values result;

        for (const auto& [id, value] : values)
            result[uriOf (id)] = value;

        return result;
    }

    const Values defaults = byUri ({ { "waveBlend", 0.15f }, { "glideTime", 80.0f }, { "vibratoRate", 5.0f },
                                     { "filterBase", 0.35f }, { "filterMod", 0.7f }, { "resonance", 0.35f },
                                     { "volume", 0.7f }, { "reverb", 0.35f }, { "legato", 0.0f } });

    // Every value of a user's session differs from its default, Reverb 0.65 among them (a host once
    // showed it as 1).
    const Values sessionValues = byUri ({ { "waveBlend", 0.8f }, { "glideTime", 250.0f }, { "vibratoRate", 7.5f },
                                          { "filterBase", 0.6f }, { "filterMod", 0.25f }, { "resonance", 0.55f },
                                          { "volume", 0.5f }, { "reverb", 0.65f }, { "legato", 1.0f } });

    void expectValues (const Values& reported, const Values& expected, const std::string& when)
    {
        EXPECT_EQ (reported.size(), expected.size()) << when;

        for (const auto& [uri, value] : expected)
        {
            const auto it = reported.find (uri);

            if (it == reported.end())
                ADD_FAILURE() << when << ": no value reported for " << uri;
            else
                EXPECT_NEAR (it->second, value, 1.0e-4f * std::max (1.0f, std::abs (value))) << when << ": " << uri;
        }
    }

    std::unique_ptr<LilvPluginHost> openHost()
    {
        auto host = std::make_unique<LilvPluginHost> (WARBLE_BUILT_LV2_BUNDLE, WARBLE_LV2_URI);
        EXPECT_EQ (host->getError(), "");
        return host;
    }

    // The state a host saves with a session in which the user set sessionValues. A lilv state holds
    // nodes of its host's world, so that host lives as long as the state.
    struct SavedSession
    {
        std::unique_ptr<LilvPluginHost> host;
        std::unique_ptr<LilvState, void (*) (LilvState*)> state { nullptr, lilv_state_free };
    };

    SavedSession saveSession()
    {
        SavedSession saved { openHost() };
        saved.host->runBlock();

        for (const auto& [uri, value] : sessionValues)
            saved.host->queueSet (uri, value);

        saved.host->runBlock();
        saved.state = saved.host->saveState();
        return saved;
    }
}

TEST (LV2HostValues, FirstBlockReportsEveryValueOnceAndHostsRequestsAreAnswered)
{
    auto host = openHost();
    ASSERT_EQ (host->getError(), "");

    expectValues (host->runBlock(), defaults, "first block");
    EXPECT_TRUE (host->runBlock().empty()) << "a value is reported again although nothing changed";

    struct Request
    {
        const char* what;
        std::optional<std::string> property, subject;
        Values expected;
    };

    const Request requests[] = {
        { "patch:Get without a property (Ardour's request)", std::nullopt, std::nullopt, defaults },
        { "patch:Get naming the plug-in as its subject", std::nullopt, std::string (WARBLE_LV2_URI), defaults },
        { "patch:Get for Glide", uriOf ("glideTime"), std::nullopt, byUri ({ { "glideTime", 80.0f } }) },
        { "patch:Get for a property the plug-in lacks", uriOf ("noSuchParameter"), std::nullopt, {} },
        { "patch:Get about another subject", std::nullopt, std::string ("urn:example:other"), {} },
    };

    for (const auto& request : requests)
    {
        host->queueGet (request.property, request.subject);
        expectValues (host->runBlock(), request.expected, request.what);
    }

    EXPECT_EQ (host->malformedReports, 0);
}

TEST (LV2HostValues, ValuesTheHostSetAreWhatItReadsBack)
{
    auto host = openHost();
    ASSERT_EQ (host->getError(), "");
    host->runBlock();

    for (const auto& [uri, value] : sessionValues)
        host->queueSet (uri, value);

    EXPECT_TRUE (host->runBlock().empty()) << "the host's own changes are echoed back";

    host->queueGet();
    expectValues (host->runBlock(), sessionValues, "after the host set every value");
}

TEST (LV2HostValues, EveryPresetReportsItsValues)
{
    auto host = openHost();
    ASSERT_EQ (host->getError(), "");
    host->runBlock();

    const auto presets = host->presets();
    const auto& bank = FactoryPresetBank::getInstance();
    ASSERT_EQ (presets.size(), bank.getPresets().size());

    for (const auto& [presetUri, label] : presets)
    {
        const auto* preset = bank.find (label);
        ASSERT_NE (preset, nullptr) << label;

        Values expected;

        for (const auto& value : preset->values)
            expected[uriOf (value.parameterId.toStdString())] = (float) value.value;

        ASSERT_TRUE (host->restorePreset (presetUri)) << presetUri;
        expectValues (host->runBlock(), expected, "after the preset " + label);

        host->queueGet();
        expectValues (host->runBlock(), expected, "asked after the preset " + label);
    }
}

TEST (LV2HostValues, RestoredStateReportsItsValuesInANewInstance)
{
    const auto saved = saveSession();
    ASSERT_NE (saved.state, nullptr);

    // A session reopened: a fresh instance reports its defaults, then the session's state.
    auto host = openHost();
    ASSERT_EQ (host->getError(), "");
    expectValues (host->runBlock(), defaults, "before the state is restored");

    ASSERT_TRUE (host->restoreState (saved.state.get()));
    expectValues (host->runBlock(), sessionValues, "after the state is restored");

    // Restored into an instance that has not run yet, as hosts do when they open a session.
    auto reopened = openHost();
    ASSERT_TRUE (reopened->restoreState (saved.state.get()));
    expectValues (reopened->runBlock(), sessionValues, "restored before the first block");
}

// Ardour runs a new instance, and one whose state it has just restored, for a block whose output it
// drops (to measure the latency), deactivates it and activates it again to play: the values must
// reach the host in the first block it reads.
TEST (LV2HostValues, ValuesAreReportedAgainInTheFirstBlockAfterActivation)
{
    const auto saved = saveSession();
    ASSERT_NE (saved.state, nullptr);

    struct Case
    {
        const char* what;
        bool restoreState;
        const Values& expected;
    };

    const Case cases[] = { { "a new instance", false, defaults },
                           { "a restored session state", true, sessionValues } };

    for (const auto& c : cases)
    {
        auto host = openHost();
        ASSERT_EQ (host->getError(), "");

        if (c.restoreState)
            ASSERT_TRUE (host->restoreState (saved.state.get()));

        host->runBlock();    // the latency run, its output dropped
        host->reactivate();

        expectValues (host->runBlock(), c.expected, std::string ("reactivated after ") + c.what);
        EXPECT_TRUE (host->runBlock().empty()) << c.what << ": a value is reported again although nothing changed";
    }
}
