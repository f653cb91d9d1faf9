#!/bin/sh
# Runs a command on the X display with a window manager, as a desktop has one: windows are
# placed, stacked and focused by it, not by the program. Ends the manager with the command.
openbox --sm-disable --config-file /dev/null >/dev/null 2>&1 &
manager=$!
# The manager announces itself on the root window once it manages the screen.
tries=0
while ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ]; then
    echo "the window manager did not start" >&2
    kill "$manager" 2>/dev/null
    exit 1
  fi
  sleep 0.1
done
"$@"
status=$?
kill "$manager" 2>/dev/null
wait "$manager" 2>/dev/null
exit $status
