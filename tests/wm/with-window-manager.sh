#!/bin/sh
# Runs a test program on a virtual X server with a window manager (Xvfb and openbox), where
# windows get frames and places as on an operator's desktop.
exec xvfb-run -a -s "-screen 0 1600x1000x24" sh -c '
    openbox >/dev/null 2>&1 &
    wm=$!
    # The window manager announces itself on the root window once it manages windows.
    tries=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        tries=$((tries + 1))
        [ "$tries" -gt 800 ] && break
        sleep 0.025
    done
    "$@"
    status=$?
    kill "$wm" 2>/dev/null
    exit "$status"' sh "$@"
