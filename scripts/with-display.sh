#!/bin/sh
# Runs a command on the current X display, or on a private virtual one when there is none, so that
# tests which open windows also run in a console or under CI.
if [ -n "$DISPLAY" ]; then
    exec "$@"
fi

exec xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" "$@"
