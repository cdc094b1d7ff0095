#!/bin/sh
# A headless Ardour 7 (ardour7-lua) loads the LV2 plug-in from the build's bundle and
# renders a test signal through it (quorvella-lv2-in-ardour.lua); the VST face renders
# the signal Ardour fed it through quorvella-render at Ardour's block length, with the
# defaults Ardour gives the control ports: the samples must be identical once the delay
# that Ardour compensates (the plug-in's latency port) is taken off the VST face's render.
# Usage: run-ardour-lv2-test.sh BUILD_DIR SCRIPT_DIR
# Exits 77 (skipped) when Ardour 7 is not installed.
set -eu
build=$(cd "$1" && pwd)
scripts=$(cd "$2" && pwd)
if ! command -v ardour7-lua >/dev/null 2>&1; then
  echo "ardour7-lua is not installed"
  exit 77
fi

work=$(mktemp -d /tmp/quorvella-ardour-lv2-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Only the bundle under test: an installed copy can never stand in for it.
mkdir -p "$work/lv2" "$work/home" "$work/config/ardour7/scripts" "$work/out"
ln -s "$build/quorvella.lv2" "$work/lv2/quorvella.lv2"
# Ardour looks for Lua DSP scripts in its configuration folder: the test signal's home.
cp "$scripts/quorvella-test-signal.lua" "$work/config/ardour7/scripts/"
unset XDG_CACHE_HOME
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export LV2_PATH="$work/lv2" QUORVELLA_SESSION_DIR="$work/session" QUORVELLA_ARDOUR_OUT="$work/out"

status=0
timeout 120 ardour7-lua "$scripts/quorvella-lv2-in-ardour.lua" >"$work/run.log" 2>&1 || status=$?
cat "$work/run.log"
fail=0
grep -qxF "DONE" "$work/run.log" || { echo "MISSING: DONE"; fail=1; }
if grep -q "CHECK FAILED" "$work/run.log"; then fail=1; fi
if [ "$status" -ne 0 ]; then echo "ardour7-lua exited with $status"; fail=1; fi
[ "$fail" -eq 0 ] || exit 1

block=$(sed -n 's/^BLOCK \([0-9][0-9]*\)$/\1/p' "$work/run.log")
[ -n "$block" ] || { echo "FAILED: Ardour named no block length"; exit 1; }
"$build/quorvella-render" --plugin "$build/quorvella.so" --block-size "$block" --program 0 \
  "$work/out/input.wav" -o "$work/out/vst.wav" >/dev/null
latency=$(sed -n 's/^LATENCY \([0-9][0-9]*\)$/\1/p' "$work/run.log")
# lookAhead at 48 kHz, as the latency port reports it.
[ "$latency" = 959 ] || { echo "FAILED: Ardour reports a latency of '$latency' frames, not 959"; exit 1; }
"$build/quorvella-compare-audio" --skip "$latency" "$work/out/vst.wav" "$work/out/output.wav"
# The plug-in did something: its output is not its input.
if "$build/quorvella-compare-audio" --skip "$latency" "$work/out/input.wav" "$work/out/output.wav" \
  >/dev/null; then
  echo "FAILED: Ardour's output is the plug-in's input"
  exit 1
fi
echo "Ardour renders the VST face's samples through the LV2 plug-in"
