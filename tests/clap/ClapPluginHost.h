#pragma once

#include "ClapEventList.h"

#include <clap/clap.h>

#include <memory>
#include <string>
#include <vector>

namespace warble::test
{
    /** A small CLAP host on CLAP's C API: it opens a .clap file with dlopen as a DAW does, creates
        the one plug-in its factory makes, and drives it from the calling thread, which serves as
        both the main and the audio thread. It offers the plug-in the host extensions that tell
        what a plug-in reports back (log, params, state) and records what it is told; everything
        else is "not available". */
    class ClapPluginHost
    {
    public:
        /** Opens the file and creates and initialises the plug-in with this id; check
            getError() before anything else. */
        ClapPluginHost (const std::string& clapFile, const std::string& pluginId);

        /** Stops, deactivates and destroys the plug-in as a host does, then closes the file. */
        ~ClapPluginHost();

        ClapPluginHost (const ClapPluginHost&) = delete;
        ClapPluginHost& operator= (const ClapPluginHost&) = delete;

        /** Destroys the plug-in in whatever state it is, active and processing included, as a host
            that is shutting down may do. */
        void destroyPluginAsItIs();

        const std::string& getError() const noexcept              { return error; }
        const clap_plugin_entry* getEntry() const noexcept        { return entry; }
        const clap_plugin_factory* getFactory() const noexcept    { return factory; }
        const clap_plugin* getPlugin() const noexcept             { return plugin; }

        template <typename Extension>
        const Extension* extension (const char* id) const
        {
            return plugin != nullptr ? static_cast<const Extension*> (plugin->get_extension (plugin, id)) : nullptr;
        }

        bool activate (double sampleRate, uint32_t minFrames, uint32_t maxFrames);
        void deactivate();

        /** What a host's main loop does after the plug-in asked for a callback. */
        void runMainThreadCallback();
        bool isActive() const noexcept    { return active; }

        /** Renders one block into a stereo output, starting processing first if needed. Output
            events go to outEvents, when given. */
        clap_process_status process (float* left, float* right, uint32_t frames, const ClapEventList& inEvents,
                                     ClapEventList* outEvents = nullptr);

        /** The plug-in's parameter id at this index, or CLAP_INVALID_ID. */
        clap_id parameterId (uint32_t index) const;
        double parameterValue (clap_id id) const;

        std::vector<uint8_t> saveState() const;
        bool loadState (const std::vector<uint8_t>& bytes) const;

        /** What the plug-in has told the host since it was created. */
        struct Calls
        {
            int paramsRescan = 0;
            uint32_t paramsRescanFlags = 0;
            int paramsRequestFlush = 0;
            int stateMarkDirty = 0;
            int requestRestart = 0;
            int requestCallback = 0;
            std::vector<std::string> logMessages;
        };

        Calls calls;

    private:
        static const void* getHostExtension (const clap_host* host, const char* id);
        static ClapPluginHost& from (const clap_host* host);

        std::string error;
        void* library = nullptr;
        const clap_plugin_entry* entry = nullptr;
        const clap_plugin_factory* factory = nullptr;
        const clap_plugin* plugin = nullptr;
        clap_host host {};
        clap_host_params hostParams {};
        clap_host_state hostState {};
        clap_host_log hostLog {};
        // Holds nothing, so refuses whatever the plug-in pushes when the caller wants no events.
        ClapEventList discardedEvents { 0 };
        bool active = false, processing = false;
        int64_t steadyTime = 0;
    };
}
