#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace warble::test
{
    /** A small LV2 host on lilv, the library that Ardour, Qtractor and most Linux hosts build on,
        with no JUCE in its path to the plug-in. It loads one bundle, instantiates its plug-in with
        the features that plug-in requires, connects every port as a host does, and runs blocks
        from the calling thread. Parameters travel as hosts send and read them: patch:Set and
        patch:Get messages on the control input, patch:Set messages read back from the control
        output. Presets and saved states go through lilv's state functions. */
    class LilvPluginHost
    {
    public:
        /** Loads the bundle and instantiates the plug-in with this URI; check getError() first. */
        LilvPluginHost (const std::string& bundlePath, const std::string& pluginUri,
                        double sampleRate = 48000.0, uint32_t blockSize = 512);
        ~LilvPluginHost();

        LilvPluginHost (const LilvPluginHost&) = delete;
        LilvPluginHost& operator= (const LilvPluginHost&) = delete;

        const std::string& getError() const noexcept    { return error; }

        /** The values a host reads: each patch:Set the plug-in sent in one block, by property URI. */
        using Reported = std::map<std::string, float>;

        /** What goes into the control input of the next block. */
        void queueSet (const std::string& propertyUri, float value);
        void queueGet (std::optional<std::string> propertyUri = std::nullopt,
                       std::optional<std::string> subjectUri = std::nullopt);

        /** Runs one block with the queued messages and returns what the plug-in reported; a
            message that is not a well-formed patch:Set of a float counts in malformedReports. */
        Reported runBlock();
        int malformedReports = 0;

        /** Deactivates and activates the plug-in again, as Ardour does after the block it runs
            to measure a new or restored instance's latency (whose output it drops). */
        void reactivate();

        /** The bundle's presets (pset:Preset related to the plug-in), URI and label. */
        std::vector<std::pair<std::string, std::string>> presets() const;

        /** Restores a preset or a saved state through the plug-in's state interface, as hosts
            load them; false when lilv cannot read it. */
        bool restorePreset (const std::string& presetUri);
        bool restoreState (const LilvState* state);

        /** The plug-in's state, as a host saves it into a session. */
        std::unique_ptr<LilvState, void (*) (LilvState*)> saveState();

    private:
        static LV2_URID mapUri (LV2_URID_Map_Handle handle, const char* uri);
        static const char* unmapUri (LV2_URID_Unmap_Handle handle, LV2_URID urid);
        static void setPortValue (const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);
        static const void* getPortValue (const char* symbol, void* self, uint32_t* size, uint32_t* type);

        LV2_URID map (const std::string& uri);
        void connectPorts();
        float* controlBufferFor (const char* symbol);

        std::string error;
        LilvWorld* world = nullptr;
        const LilvPlugin* plugin = nullptr;
        LilvInstance* instance = nullptr;
        uint32_t blockSize;

        std::vector<std::string> uris { "" };    // URID 0 means no URI
        std::map<std::string, LV2_URID> urids;
        LV2_URID_Map mapFeatureData { this, mapUri };
        LV2_URID_Unmap unmapFeatureData { this, unmapUri };

        int32_t maxBlock = 0, minBlock = 1, sequenceSize = 1 << 16;
        std::vector<LV2_Options_Option> options;
        LV2_Feature mapFeature { LV2_URID__map, &mapFeatureData };
        LV2_Feature unmapFeature { LV2_URID__unmap, &unmapFeatureData };
        LV2_Feature optionsFeature { LV2_OPTIONS__options, nullptr };
        LV2_Feature boundedBlockFeature { "http://lv2plug.in/ns/ext/buf-size#boundedBlockLength", nullptr };
        std::vector<const LV2_Feature*> features;

        std::vector<std::vector<float>> audioBuffers;
        std::map<uint32_t, float> controlValues;
        std::vector<uint64_t> atomIn, atomOut;    // 8-byte aligned, as atoms must be
        uint32_t atomInPort = UINT32_MAX, atomOutPort = UINT32_MAX;

        struct Message
        {
            bool isSet = false;
            std::optional<std::string> property, subject;
            float value = 0.0f;
        };

        std::vector<Message> pending;
        LV2_Atom_Forge forge {};
    };
}
