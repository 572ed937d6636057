#include "JackMessageFilter.h"

#include <cstdio>
#include <dlfcn.h>

std::atomic<bool> JackMessageFilter::showMessages { false };

JackMessageFilter::JackMessageFilter (bool jackChosen)
{
    showMessages = jackChosen;

    // JUCE's JACK support opens the library under this name.
    library = dlopen ("libjack.so.0", RTLD_LAZY);

    if (library == nullptr)
        return;

    using SetHandler = void (*) (void (*) (const char*));

    for (const auto* name : { "jack_set_error_function", "jack_set_info_function" })
        if (auto* setHandler = reinterpret_cast<SetHandler> (dlsym (library, name)))
            setHandler (forwardIfChosen);
}

JackMessageFilter::~JackMessageFilter()
{
    // The handler stays installed: it is a plain function, and the library may outlive this object
    // in JUCE's hands.
    if (library != nullptr)
        dlclose (library);
}

void JackMessageFilter::setJackChosen (bool jackChosen) noexcept
{
    showMessages = jackChosen;
}

void JackMessageFilter::forwardIfChosen (const char* message)
{
    if (showMessages)
        std::fprintf (stderr, "%s\n", message);
}
