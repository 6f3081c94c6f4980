#!/bin/sh
# Runs a command on a desktop of its own: an Xvfb display with a window
# manager (openbox when installed), so that windows get frames and dialogs
# their places as on a user's screen. Run it inside `unshare -n`.
#   sh tests/guide/xdesk.sh COMMAND...
set -e
n=90
while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $wm $xvfb 2>/dev/null' EXIT
while [ ! -e /tmp/.X11-unix/X$n ]; do sleep 0.1; done
export DISPLAY=:$n QT_QPA_PLATFORM=xcb
wm=
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
fi
"$@"
