#!/bin/sh
# Debian's lv2apply (lilv-utils), a third party's LV2 host, renders the demo line and a
# chirp through the bundle's plug-in; the VST face renders the same input through
# quorvella-render at lv2apply's block length (one frame): the samples must be identical.
# The second render sets control ports (-c) and the same parameters through the VST face.
# Usage: lv2apply-test.sh BUILD_DIR
set -eu
build=$1
command -v lv2apply >/dev/null 2>&1 || { echo "lv2apply is not installed (lilv-utils)"; exit 1; }
work=$(mktemp -d /tmp/quorvella-lv2apply-XXXXXX)
trap 'rm -rf "$work"' EXIT
# Only the bundle under test: nothing the machine has installed can stand in for it.
mkdir "$work/lv2"
ln -s "$build/quorvella.lv2" "$work/lv2/quorvella.lv2"
export LV2_PATH="$work/lv2"
uri=https://halvercast.example/quorvella/lv2

"$build/quorvella-demo-input" --float "$work/demo.wav"
"$build/quorvella-demo-input" --chirp "$work/chirp.wav"

lv2apply -i "$work/demo.wav" -o "$work/demo-lv2.wav" "$uri"
"$build/quorvella-render" --plugin "$build/quorvella.so" --block-size 1 --program 0 \
  "$work/demo.wav" -o "$work/demo-vst.wav" >/dev/null
"$build/quorvella-compare-audio" "$work/demo-vst.wav" "$work/demo-lv2.wav"

lv2apply -i "$work/chirp.wav" -o "$work/chirp-lv2.wav" \
  -c wet_level 0.5 -c osc_level 0.75 -c filter_type 2 -c sync_cycles 3 "$uri"
"$build/quorvella-render" --plugin "$build/quorvella.so" --block-size 1 --program 0 \
  --param "Wet Level=0.5" --param "Osc Level=0.75" --param "Filter Type=2" \
  --param "Sync Cycles=3" "$work/chirp.wav" -o "$work/chirp-vst.wav" >/dev/null
"$build/quorvella-compare-audio" "$work/chirp-vst.wav" "$work/chirp-lv2.wav"
# The two chirp renders differ from a render with the defaults: the ports did arrive.
lv2apply -i "$work/chirp.wav" -o "$work/chirp-defaults.wav" "$uri"
if "$build/quorvella-compare-audio" "$work/chirp-lv2.wav" "$work/chirp-defaults.wav" >/dev/null; then
  echo "FAILED: the control ports changed nothing"
  exit 1
fi
echo "lv2apply renders the VST face's samples"
