#include "ClapPluginHost.h"

#include <cstring>

#include <dlfcn.h>

namespace warble::test
{
    namespace
    {
        /** A state as a host holds it in memory, written and read through CLAP's streams in the
            pieces the plug-in chooses. */
        struct MemoryStreams
        {
            std::vector<uint8_t> bytes;
            size_t readPosition = 0;

            clap_ostream output()
            {
                return { this, [] (const clap_ostream* stream, const void* buffer, uint64_t size) -> int64_t
                {
                    auto& self = *static_cast<MemoryStreams*> (stream->ctx);
                    const auto* data = static_cast<const uint8_t*> (buffer);
                    self.bytes.insert (self.bytes.end(), data, data + size);
                    return (int64_t) size;
                } };
            }

            clap_istream input()
            {
                return { this, [] (const clap_istream* stream, void* buffer, uint64_t size) -> int64_t
                {
                    auto& self = *static_cast<MemoryStreams*> (stream->ctx);
                    const auto count = std::min<uint64_t> (size, self.bytes.size() - self.readPosition);

                    // An empty state has no bytes to copy from, not even a pointer to them.
                    if (count > 0)
                        std::memcpy (buffer, self.bytes.data() + self.readPosition, count);

                    self.readPosition += count;
                    return (int64_t) count;
                } };
            }
        };
    }

    ClapPluginHost::ClapPluginHost (const std::string& clapFile, const std::string& pluginId)
    {
        host.clap_version = CLAP_VERSION;
        host.host_data = this;
        host.name = "Warble test host";
        host.vendor = "KestrelWorks";
        host.url = "";
        host.version = "1.0.0";
        host.get_extension = getHostExtension;
        host.request_restart = [] (const clap_host* h) { ++from (h).calls.requestRestart; };
        host.request_process = [] (const clap_host*) {};
        host.request_callback = [] (const clap_host* h) { ++from (h).calls.requestCallback; };

        hostParams.rescan = [] (const clap_host* h, clap_param_rescan_flags flags)
        {
            ++from (h).calls.paramsRescan;
            from (h).calls.paramsRescanFlags |= flags;
        };
        hostParams.clear = [] (const clap_host*, clap_id, clap_param_clear_flags) {};
        hostParams.request_flush = [] (const clap_host* h) { ++from (h).calls.paramsRequestFlush; };
        hostState.mark_dirty = [] (const clap_host* h) { ++from (h).calls.stateMarkDirty; };
        hostLog.log = [] (const clap_host* h, clap_log_severity, const char* message)
        {
            from (h).calls.logMessages.emplace_back (message);
        };

        library = dlopen (clapFile.c_str(), RTLD_NOW | RTLD_LOCAL);

        if (library == nullptr)
        {
            error = "dlopen failed: " + std::string (dlerror());
            return;
        }

        entry = static_cast<const clap_plugin_entry*> (dlsym (library, "clap_entry"));

        if (entry == nullptr || ! clap_version_is_compatible (entry->clap_version) || ! entry->init (clapFile.c_str()))
        {
            error = "no usable clap_entry in " + clapFile;
            entry = nullptr;
            return;
        }

        factory = static_cast<const clap_plugin_factory*> (entry->get_factory (CLAP_PLUGIN_FACTORY_ID));
        plugin = factory != nullptr ? factory->create_plugin (factory, &host, pluginId.c_str()) : nullptr;

        if (plugin == nullptr || ! plugin->init (plugin))
        {
            error = "the factory made no plug-in " + pluginId;

            if (plugin != nullptr)
                plugin->destroy (plugin);

            plugin = nullptr;
        }
    }

    ClapPluginHost::~ClapPluginHost()
    {
        if (plugin != nullptr)
        {
            deactivate();
            plugin->destroy (plugin);
        }

        if (entry != nullptr)
            entry->deinit();

        if (library != nullptr)
            dlclose (library);
    }

    void ClapPluginHost::destroyPluginAsItIs()
    {
        if (plugin != nullptr)
            plugin->destroy (plugin);

        plugin = nullptr;
        active = processing = false;
    }

    ClapPluginHost& ClapPluginHost::from (const clap_host* h)
    {
        return *static_cast<ClapPluginHost*> (h->host_data);
    }

    const void* ClapPluginHost::getHostExtension (const clap_host* h, const char* id)
    {
        auto& self = from (h);

        if (std::strcmp (id, CLAP_EXT_PARAMS) == 0)  return &self.hostParams;
        if (std::strcmp (id, CLAP_EXT_STATE) == 0)   return &self.hostState;
        if (std::strcmp (id, CLAP_EXT_LOG) == 0)     return &self.hostLog;

        return nullptr;
    }

    bool ClapPluginHost::activate (double sampleRate, uint32_t minFrames, uint32_t maxFrames)
    {
        deactivate();
        active = plugin->activate (plugin, sampleRate, minFrames, maxFrames);
        return active;
    }

    void ClapPluginHost::deactivate()
    {
        if (processing)
            plugin->stop_processing (plugin);

        if (active)
            plugin->deactivate (plugin);

        processing = active = false;
    }

    void ClapPluginHost::runMainThreadCallback()
    {
        plugin->on_main_thread (plugin);
    }

    clap_process_status ClapPluginHost::process (float* left, float* right, uint32_t frames,
                                                 const ClapEventList& inEvents, ClapEventList* outEvents)
    {
        if (! processing)
            processing = plugin->start_processing (plugin);

        float* channels[] { left, right };
        clap_audio_buffer output {};
        output.data32 = channels;
        output.channel_count = 2;

        clap_process block {};
        block.steady_time = steadyTime;
        block.frames_count = frames;
        block.audio_outputs = &output;
        block.audio_outputs_count = 1;
        block.in_events = inEvents.asInput();
        block.out_events = outEvents != nullptr ? outEvents->asOutput() : discardedEvents.asOutput();

        steadyTime += frames;
        return plugin->process (plugin, &block);
    }

    clap_id ClapPluginHost::parameterId (uint32_t index) const
    {
        const auto* params = extension<clap_plugin_params> (CLAP_EXT_PARAMS);
        clap_param_info info {};
        return params != nullptr && params->get_info (plugin, index, &info) ? info.id : CLAP_INVALID_ID;
    }

    double ClapPluginHost::parameterValue (clap_id id) const
    {
        const auto* params = extension<clap_plugin_params> (CLAP_EXT_PARAMS);
        double value = -1.0;

        if (params == nullptr || ! params->get_value (plugin, id, &value))
            return -1.0;

        return value;
    }

    std::vector<uint8_t> ClapPluginHost::saveState() const
    {
        MemoryStreams streams;
        const auto stream = streams.output();
        const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);

        if (state == nullptr || ! state->save (plugin, &stream))
            return {};

        return streams.bytes;
    }

    bool ClapPluginHost::loadState (const std::vector<uint8_t>& bytes) const
    {
        MemoryStreams streams { bytes };
        const auto stream = streams.input();
        const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);
        return state != nullptr && state->load (plugin, &stream);
    }
}
