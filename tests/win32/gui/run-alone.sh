#!/bin/sh
# Runs a test program that opens windows under Wine with the Wine session of its prefix to
# itself: waits until the session before it has ended, and after it until its own has.
# A program that joins a session started without a display (or on a display that is gone)
# cannot make windows, and one that outlives its display breaks the next.
#   run-alone.sh DEFAULT_PREFIX COMMAND...   (QUORVELLA_WINEPREFIX, when set, is the prefix)
prefix="${QUORVELLA_WINEPREFIX:-$1}"
shift
waitForSession() {
  if [ -d "$prefix" ] && command -v wineserver >/dev/null 2>&1; then
    WINEPREFIX="$prefix" wineserver --wait
  fi
}
waitForSession
QUORVELLA_WINEPREFIX="$prefix" "$@"
status=$?
waitForSession
exit $status
