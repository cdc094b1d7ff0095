#!/bin/sh
# Loads the plug-in into a headless Ardour 7 (ardour7-lua), whose libardour exports Lua
# 5.3 under the lua_* names, and checks that the built-in and a user MIDI script run.
# Usage: run-ardour-test.sh <quorvella.so> <quorvella-in-ardour.lua>
# Exits 77 (skipped) when Ardour 7 is not installed.
set -eu
plugin=$1
script=$2
scanner=/usr/lib/ardour7/ardour-vst-scanner
if ! command -v ardour7-lua >/dev/null 2>&1 || [ ! -x "$scanner" ]; then
  echo "ardour7-lua is not installed"
  exit 77
fi

work=$(mktemp -d /tmp/quorvella-ardour-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/vst" "$work/home" "$work/data/Halvercast/Quorvella/Scripts"
cp "$plugin" "$work/vst/quorvella.so"
# The scanner stamps its cache entry with the plug-in's modification time in whole
# seconds, and Ardour ignores an entry older than the file: give the copy a whole second.
touch -d "2020-01-01 00:00:00" "$work/vst/quorvella.so"
cat > "$work/data/Halvercast/Quorvella/Scripts/ardour.lua" <<'LUA'
print("user script runs in", _VERSION)
requestAllNoteOn(function(c, n, v) print("note on", c, n, v) end)
LUA
# The scanner and the session must agree on the cache: both use $HOME/.cache, so that the
# cache is the test's own.
unset XDG_CACHE_HOME
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export QUORVELLA_SESSION_DIR="$work/session"

# The premise: the host's library carries its own Lua in the global symbol scope.
if ! nm -D /usr/lib/ardour7/libardour.so.3 | grep -q ' T lua_pcallk$'; then
  echo "libardour no longer exports Lua: this test no longer shows anything"
fi

# Ardour finds new VST2 plug-ins only through its scanner's cache.
LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -q -f "$work/vst/quorvella.so" >"$work/scan.log" 2>&1 || {
  cat "$work/scan.log"; echo "FAILED: the VST scanner could not index the plug-in"; exit 1; }

status=0
LXVST_PATH="$work/vst" timeout 120 ardour7-lua "$script" >"$work/run.log" 2>&1 || status=$?
cat "$work/run.log"
fail=0
expect() {
  if ! grep -qxF "$1" "$work/run.log"; then echo "MISSING: $1"; fail=1; fi
}
tab=$(printf '\t')
expect "user script runs in${tab}Lua 5.1"
expect "note on${tab}1${tab}60${tab}100"
expect "note on${tab}2${tab}62${tab}90"
expect "DONE"
if grep -q "CHECK FAILED" "$work/run.log"; then fail=1; fi
if [ "$status" -ne 0 ]; then echo "ardour7-lua exited with $status"; fail=1; fi
exit $fail
