#!/bin/sh
# Runs a command (a Windows test program with its emulator, e.g. `wine prog.exe`) with an X
# display: the one DISPLAY names when it is set, otherwise a private Xvfb on a display number
# that the server picks itself (-displayfd), so that no other program can take it. The
# command's exit status is this script's.
set -u
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
folder=$(mktemp -d "${TMPDIR:-/tmp}/quorvella-display.XXXXXX") || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$folder/display" \
  >"$folder/xvfb.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$folder"' EXIT
trap 'exit 1' INT TERM

# The server writes its number once it accepts connections; give it up to 20 s.
tries=0
until grep -q '^[0-9][0-9]*$' "$folder/display" 2>/dev/null; do
  if ! kill -0 "$server" 2>/dev/null || [ "$tries" -ge 200 ]; then
    echo "run-with-display.sh: Xvfb did not start" >&2
    cat "$folder/xvfb.log" >&2
    exit 1
  fi
  tries=$((tries + 1))
  sleep 0.1
done

DISPLAY=":$(cat "$folder/display")" "$@"
