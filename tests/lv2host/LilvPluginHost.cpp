#include "LilvPluginHost.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/patch/patch.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <cstring>

namespace warble::test
{
    namespace
    {
        struct NodeDeleter
        {
            void operator() (LilvNode* node) const { lilv_node_free (node); }
        };

        using Node = std::unique_ptr<LilvNode, NodeDeleter>;

        constexpr size_t atomBufferBytes = 1 << 16;
    }

    LilvPluginHost::LilvPluginHost (const std::string& bundlePath, const std::string& pluginUri,
                                    double sampleRate, uint32_t blockSizeIn)
        : blockSize (blockSizeIn),
          maxBlock ((int32_t) blockSizeIn)
    {
        lv2_atom_forge_init (&forge, &mapFeatureData);

        const auto intType = map (LV2_ATOM__Int);
        options = {
            { LV2_OPTIONS_INSTANCE, 0, map (LV2_BUF_SIZE__maxBlockLength), sizeof (int32_t), intType, &maxBlock },
            { LV2_OPTIONS_INSTANCE, 0, map (LV2_BUF_SIZE__minBlockLength), sizeof (int32_t), intType, &minBlock },
            { LV2_OPTIONS_INSTANCE, 0, map (LV2_BUF_SIZE__sequenceSize),   sizeof (int32_t), intType, &sequenceSize },
            { LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr },
        };
        optionsFeature.data = options.data();
        features = { &mapFeature, &unmapFeature, &optionsFeature, &boundedBlockFeature, nullptr };

        // Only this bundle, not whatever the machine has installed under the same URI.
        world = lilv_world_new();
        const auto folder = bundlePath.back() == '/' ? bundlePath : bundlePath + "/";
        const Node bundleNode { lilv_new_file_uri (world, nullptr, folder.c_str()) };
        lilv_world_load_bundle (world, bundleNode.get());

        const Node uriNode { lilv_new_uri (world, pluginUri.c_str()) };
        plugin = lilv_plugins_get_by_uri (lilv_world_get_all_plugins (world), uriNode.get());

        if (plugin == nullptr)
        {
            error = "no plug-in " + pluginUri + " in " + folder;
            return;
        }

        instance = lilv_plugin_instantiate (plugin, sampleRate, features.data());

        if (instance == nullptr)
        {
            error = "lilv could not instantiate " + pluginUri;
            return;
        }

        connectPorts();
        lilv_instance_activate (instance);
    }

    LilvPluginHost::~LilvPluginHost()
    {
        if (instance != nullptr)
        {
            lilv_instance_deactivate (instance);
            lilv_instance_free (instance);
        }

        lilv_world_free (world);
    }

    LV2_URID LilvPluginHost::map (const std::string& uri)
    {
        if (const auto it = urids.find (uri); it != urids.end())
            return it->second;

        uris.push_back (uri);
        const auto urid = (LV2_URID) (uris.size() - 1);
        urids.emplace (uri, urid);
        return urid;
    }

    LV2_URID LilvPluginHost::mapUri (LV2_URID_Map_Handle handle, const char* uri)
    {
        return static_cast<LilvPluginHost*> (handle)->map (uri);
    }

    const char* LilvPluginHost::unmapUri (LV2_URID_Unmap_Handle handle, LV2_URID urid)
    {
        const auto& all = static_cast<LilvPluginHost*> (handle)->uris;
        return urid > 0 && urid < all.size() ? all[urid].c_str() : nullptr;
    }

    // Every port gets a buffer, the optional ones too, as the hosts that connect all ports do.
    void LilvPluginHost::connectPorts()
    {
        const Node audioClass   { lilv_new_uri (world, LV2_CORE__AudioPort) };
        const Node controlClass { lilv_new_uri (world, LV2_CORE__ControlPort) };
        const Node atomClass    { lilv_new_uri (world, LV2_ATOM__AtomPort) };
        const Node inputClass   { lilv_new_uri (world, LV2_CORE__InputPort) };

        const auto numPorts = lilv_plugin_get_num_ports (plugin);
        audioBuffers.reserve (numPorts);
        atomIn.assign (atomBufferBytes / sizeof (uint64_t), 0);
        atomOut.assign (atomBufferBytes / sizeof (uint64_t), 0);

        for (uint32_t index = 0; index < numPorts; ++index)
        {
            const auto* port = lilv_plugin_get_port_by_index (plugin, index);
            const bool isInput = lilv_port_is_a (plugin, port, inputClass.get());

            if (lilv_port_is_a (plugin, port, audioClass.get()))
            {
                audioBuffers.emplace_back (blockSize, 0.0f);
                lilv_instance_connect_port (instance, index, audioBuffers.back().data());
            }
            else if (lilv_port_is_a (plugin, port, controlClass.get()))
            {
                LilvNode* defaultValue = nullptr;
                lilv_port_get_range (plugin, port, &defaultValue, nullptr, nullptr);
                controlValues[index] = defaultValue != nullptr ? lilv_node_as_float (defaultValue) : 0.0f;
                lilv_node_free (defaultValue);
                lilv_instance_connect_port (instance, index, &controlValues[index]);
            }
            else if (lilv_port_is_a (plugin, port, atomClass.get()))
            {
                (isInput ? atomInPort : atomOutPort) = index;
                lilv_instance_connect_port (instance, index, isInput ? atomIn.data() : atomOut.data());
            }
        }
    }

    float* LilvPluginHost::controlBufferFor (const char* symbol)
    {
        const Node symbolNode { lilv_new_string (world, symbol) };
        const auto* port = lilv_plugin_get_port_by_symbol (plugin, symbolNode.get());

        if (port == nullptr)
            return nullptr;

        const auto it = controlValues.find (lilv_port_get_index (plugin, port));
        return it != controlValues.end() ? &it->second : nullptr;
    }

    void LilvPluginHost::queueSet (const std::string& propertyUri, float value)
    {
        pending.push_back ({ true, propertyUri, std::nullopt, value });
    }

    void LilvPluginHost::queueGet (std::optional<std::string> propertyUri, std::optional<std::string> subjectUri)
    {
        pending.push_back ({ false, std::move (propertyUri), std::move (subjectUri), 0.0f });
    }

    LilvPluginHost::Reported LilvPluginHost::runBlock()
    {
        Reported reported;

        if (instance == nullptr)
            return reported;

        lv2_atom_forge_set_buffer (&forge, reinterpret_cast<uint8_t*> (atomIn.data()), atomBufferBytes);
        LV2_Atom_Forge_Frame sequence;
        lv2_atom_forge_sequence_head (&forge, &sequence, 0);

        for (const auto& message : pending)
        {
            LV2_Atom_Forge_Frame object;
            lv2_atom_forge_frame_time (&forge, 0);
            lv2_atom_forge_object (&forge, &object, 0, map (message.isSet ? LV2_PATCH__Set : LV2_PATCH__Get));

            if (message.subject)
            {
                lv2_atom_forge_key (&forge, map (LV2_PATCH__subject));
                lv2_atom_forge_urid (&forge, map (*message.subject));
            }

            if (message.property)
            {
                lv2_atom_forge_key (&forge, map (LV2_PATCH__property));
                lv2_atom_forge_urid (&forge, map (*message.property));
            }

            if (message.isSet)
            {
                lv2_atom_forge_key (&forge, map (LV2_PATCH__value));
                lv2_atom_forge_float (&forge, message.value);
            }

            lv2_atom_forge_pop (&forge, &object);
        }

        lv2_atom_forge_pop (&forge, &sequence);
        pending.clear();

        // An output sequence starts as an empty chunk whose size says how much room there is.
        auto* out = reinterpret_cast<LV2_Atom_Sequence*> (atomOut.data());
        out->atom.type = map (LV2_ATOM__Chunk);
        out->atom.size = (uint32_t) (atomBufferBytes - sizeof (LV2_Atom));

        lilv_instance_run (instance, blockSize);

        if (out->atom.type != map (LV2_ATOM__Sequence))
            return reported;

        const auto setType = map (LV2_PATCH__Set), objectType = map (LV2_ATOM__Object),
                   uridType = map (LV2_ATOM__URID), floatType = map (LV2_ATOM__Float);

        LV2_ATOM_SEQUENCE_FOREACH (out, event)
        {
            if (event->body.type != objectType)
                continue;

            const auto* object = reinterpret_cast<const LV2_Atom_Object*> (&event->body);

            if (object->body.otype != setType)
                continue;

            const LV2_Atom* property = nullptr;
            const LV2_Atom* value = nullptr;
            lv2_atom_object_get (object, map (LV2_PATCH__property), &property, map (LV2_PATCH__value), &value, 0);

            if (property == nullptr || property->type != uridType || value == nullptr || value->type != floatType)
            {
                ++malformedReports;
                continue;
            }

            const auto urid = reinterpret_cast<const LV2_Atom_URID*> (property)->body;
            reported[uris.at (urid)] = reinterpret_cast<const LV2_Atom_Float*> (value)->body;
        }

        return reported;
    }

    void LilvPluginHost::reactivate()
    {
        if (instance == nullptr)
            return;

        lilv_instance_deactivate (instance);
        lilv_instance_activate (instance);
    }

    std::vector<std::pair<std::string, std::string>> LilvPluginHost::presets() const
    {
        std::vector<std::pair<std::string, std::string>> result;

        if (plugin == nullptr)
            return result;

        const Node presetClass { lilv_new_uri (world, LV2_PRESETS__Preset) };
        const Node label { lilv_new_uri (world, LILV_NS_RDFS "label") };
        auto* related = lilv_plugin_get_related (plugin, presetClass.get());

        LILV_FOREACH (nodes, it, related)
        {
            const auto* preset = lilv_nodes_get (related, it);
            lilv_world_load_resource (world, preset);
            const Node name { lilv_world_get (world, preset, label.get(), nullptr) };
            result.emplace_back (lilv_node_as_uri (preset), name != nullptr ? lilv_node_as_string (name.get()) : "");
        }

        lilv_nodes_free (related);
        return result;
    }

    void LilvPluginHost::setPortValue (const char* symbol, void* self, const void* value, uint32_t size, uint32_t)
    {
        if (auto* buffer = static_cast<LilvPluginHost*> (self)->controlBufferFor (symbol); buffer != nullptr && size == sizeof (float))
            std::memcpy (buffer, value, sizeof (float));
    }

    const void* LilvPluginHost::getPortValue (const char* symbol, void* self, uint32_t* size, uint32_t* type)
    {
        auto& host = *static_cast<LilvPluginHost*> (self);
        auto* buffer = host.controlBufferFor (symbol);
        *size = buffer != nullptr ? sizeof (float) : 0;
        *type = buffer != nullptr ? host.map (LV2_ATOM__Float) : 0;
        return buffer;
    }

    bool LilvPluginHost::restorePreset (const std::string& presetUri)
    {
        const Node presetNode { lilv_new_uri (world, presetUri.c_str()) };
        lilv_world_load_resource (world, presetNode.get());
        auto* state = lilv_state_new_from_world (world, &mapFeatureData, presetNode.get());

        if (state == nullptr)
            return false;

        const auto restored = restoreState (state);
        lilv_state_free (state);
        return restored;
    }

    bool LilvPluginHost::restoreState (const LilvState* state)
    {
        if (instance == nullptr || state == nullptr)
            return false;

        lilv_state_restore (state, instance, setPortValue, this, 0, features.data());
        return true;
    }

    std::unique_ptr<LilvState, void (*) (LilvState*)> LilvPluginHost::saveState()
    {
        auto* state = instance == nullptr ? nullptr
                                          : lilv_state_new_from_instance (plugin, instance, &mapFeatureData,
                                                                          nullptr, nullptr, nullptr, nullptr,
                                                                          getPortValue, this,
                                                                          LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                                                                          features.data());
        return { state, lilv_state_free };
    }
}
