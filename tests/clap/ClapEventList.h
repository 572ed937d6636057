#pragma once

#include <clap/clap.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace warble::test
{
    /** Events as a CLAP host hands them to a plug-in, or collects them from it: the host's side of
        clap_input_events and clap_output_events. Events are copied whole; an input list must be
        filled in time order, as CLAP requires. The capacity is reserved up front, so that a
        plug-in pushing events during process() never makes the host allocate. */
    class ClapEventList
    {
    public:
        explicit ClapEventList (size_t maxEvents = 4096)
        {
            storage.reserve (maxEvents * maxEventSize);
            offsets.reserve (maxEvents);
            input.ctx = this;
            input.size = [] (const clap_input_events* list) { return static_cast<const ClapEventList*> (list->ctx)->size(); };
            input.get = [] (const clap_input_events* list, uint32_t index) { return static_cast<const ClapEventList*> (list->ctx)->get (index); };
            output.ctx = this;
            output.try_push = [] (const clap_output_events* list, const clap_event_header* event)
            {
                return static_cast<ClapEventList*> (list->ctx)->push (event);
            };
        }

        ClapEventList (const ClapEventList&) = delete;
        ClapEventList& operator= (const ClapEventList&) = delete;

        ClapEventList& midi (uint32_t time, uint8_t status, uint8_t data1, uint8_t data2)
        {
            clap_event_midi event {};
            event.header = header<clap_event_midi> (CLAP_EVENT_MIDI, time);
            event.port_index = 0;
            event.data[0] = status;
            event.data[1] = data1;
            event.data[2] = data2;
            push (&event.header);
            return *this;
        }

        ClapEventList& parameter (uint32_t time, clap_id id, double value)
        {
            clap_event_param_value event {};
            event.header = header<clap_event_param_value> (CLAP_EVENT_PARAM_VALUE, time);
            event.param_id = id;
            event.note_id = -1;
            event.port_index = -1;
            event.channel = -1;
            event.key = -1;
            event.value = value;
            push (&event.header);
            return *this;
        }

        uint32_t size() const noexcept                  { return (uint32_t) offsets.size(); }
        void clear() noexcept                           { storage.clear(); offsets.clear(); }

        const clap_event_header* get (uint32_t index) const noexcept
        {
            return index < offsets.size() ? reinterpret_cast<const clap_event_header*> (storage.data() + offsets[index])
                                          : nullptr;
        }

        /** How many events of this type the list holds. */
        int count (uint16_t type) const noexcept
        {
            int found = 0;

            for (uint32_t i = 0; i < size(); ++i)
                found += get (i)->space_id == CLAP_CORE_EVENT_SPACE_ID && get (i)->type == type ? 1 : 0;

            return found;
        }

        const clap_input_events* asInput() const noexcept    { return &input; }
        const clap_output_events* asOutput() const noexcept  { return &output; }

    private:
        template <typename Event>
        static clap_event_header header (uint16_t type, uint32_t time)
        {
            return { (uint32_t) sizeof (Event), time, CLAP_CORE_EVENT_SPACE_ID, type, 0 };
        }

        bool push (const clap_event_header* event) noexcept
        {
            // Events are stored 8-byte aligned; a full list refuses more, as a host's would.
            const auto alignedSize = ((size_t) event->size + 7u) & ~size_t { 7 };

            if (event->size > maxEventSize || storage.size() + alignedSize > storage.capacity() || offsets.size() == offsets.capacity())
                return false;

            offsets.push_back (storage.size());
            storage.resize (storage.size() + alignedSize);
            std::memcpy (storage.data() + offsets.back(), event, event->size);
            return true;
        }

        static constexpr size_t maxEventSize = 64;

        // The events' bytes; the allocation aligns the first, push() keeps the others aligned.
        std::vector<unsigned char> storage;
        std::vector<size_t> offsets;
        clap_input_events input {};
        clap_output_events output {};
    };
}
