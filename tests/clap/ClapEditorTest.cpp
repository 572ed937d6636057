#include "clap/ClapPluginHost.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

// The editor of the built Warble.clap embedded as a CLAP host embeds it: in an X11 window of the
// host's, at its fixed size.
namespace
{
    /** A host's window on the X server, for the plug-in's editor to live in. */
    class HostWindow
    {
    public:
        HostWindow()
            : display (XOpenDisplay (nullptr))
        {
            // Xlib's handler is the process's: a host keeps going past the errors that a
            // plug-in's requests meet, as hosts do (JUCE reads a property that only a window
            // manager defines, and the virtual display has none).
            previousHandler = XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });

            if (display != nullptr)
            {
                window = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, 800, 600, 0, 0, 0);
                XMapWindow (display, window);

                // The plug-in talks to the server on a connection of its own: the window must
                // exist there before the plug-in is given it.
                XSync (display, False);
            }
        }

        ~HostWindow()
        {
            if (display != nullptr)
            {
                XDestroyWindow (display, window);
                XCloseDisplay (display);
            }

            XSetErrorHandler (previousHandler);
        }

        HostWindow (const HostWindow&) = delete;
        HostWindow& operator= (const HostWindow&) = delete;

        XErrorHandler previousHandler = nullptr;
        Display* display = nullptr;
        Window window = 0;
    };
}

TEST (ClapEditor, EmbedsInAnX11WindowAtAFixedSizeOf500By280)
{
    warble::test::ClapPluginHost host (WARBLE_BUILT_CLAP_FILE, WARBLE_CLAP_ID);
    ASSERT_NE (host.getPlugin(), nullptr) << host.getError();
    const auto* plugin = host.getPlugin();

    const auto* gui = host.extension<clap_plugin_gui> (CLAP_EXT_GUI);
    ASSERT_NE (gui, nullptr);
    EXPECT_TRUE (gui->is_api_supported (plugin, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE (gui->is_api_supported (plugin, CLAP_WINDOW_API_X11, true));

    HostWindow parent;
    ASSERT_NE (parent.display, nullptr);

    // Opened and closed twice, as a host does when the user shows the editor again.
    for (int opening = 0; opening < 2; ++opening)
    {
        SCOPED_TRACE (opening);
        ASSERT_TRUE (gui->create (plugin, CLAP_WINDOW_API_X11, false));

        uint32_t width = 0, height = 0;
        ASSERT_TRUE (gui->get_size (plugin, &width, &height));
        EXPECT_EQ (width, 500u);
        EXPECT_EQ (height, 280u);

        // It cannot be resized, and says so when asked for its resize hints.
        EXPECT_FALSE (gui->can_resize (plugin));
        clap_gui_resize_hints hints { true, true, true, 1, 1 };
        ASSERT_TRUE (gui->get_resize_hints (plugin, &hints));
        EXPECT_FALSE (hints.can_resize_horizontally);
        EXPECT_FALSE (hints.can_resize_vertically);
        EXPECT_FALSE (hints.preserve_aspect_ratio);

        clap_window window {};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = parent.window;
        EXPECT_TRUE (gui->set_parent (plugin, &window));
        EXPECT_TRUE (gui->show (plugin));

        // The editor's window is now a child of the host's.
        XSync (parent.display, False);
        Window root = 0, parentOfParent = 0, *children = nullptr;
        unsigned int numChildren = 0;
        ASSERT_TRUE (XQueryTree (parent.display, parent.window, &root, &parentOfParent, &children, &numChildren));
        EXPECT_EQ (numChildren, 1u);

        if (children != nullptr)
            XFree (children);

        gui->hide (plugin);
        gui->destroy (plugin);
    }

    EXPECT_EQ (host.calls.logMessages, std::vector<std::string> {});
}
