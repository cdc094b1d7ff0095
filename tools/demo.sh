#!/usr/bin/env bash
# Renders the demo bass line through every factory program of the plug-in, takes a picture
# of its editor and, on a desktop, shows the editor with the bass line looping through it.
#
#   tools/demo.sh BUILD_DIR OUT_DIR
#
# Needs BUILD_DIR/quorvella-demo-input, BUILD_DIR/quorvella-render and the plug-in,
# BUILD_DIR/quorvella.so (QUORVELLA_DEMO_PLUGIN overrides the plug-in path). Writes
# OUT_DIR/demo-input.wav and OUT_DIR/NN-<program name>.wav for each program the plug-in
# reports, numbered from 00, the name lower-cased with other characters as '-' (32-bit
# float WAV, so that no program's peaks are clipped), and OUT_DIR/editor.png, the editor
# as it first shows (drawn on a private Xvfb when no DISPLAY is set). With a DISPLAY, the
# editor then opens with the bass line looping through "Auto-Wah" (where the plug-in has
# that program) until its window is closed. QUORVELLA_DEMO_NO_EDITOR=1 skips the picture
# and the editor (for plug-ins without one).
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$1
out=$2
render="$build/quorvella-render"
generator="$build/quorvella-demo-input"
plugin=${QUORVELLA_DEMO_PLUGIN:-$build/quorvella.so}

for tool in "$generator" "$render"; do
  if [ ! -x "$tool" ]; then
    echo "demo.sh: $tool is missing; build the targets quorvella-demo-input and quorvella-render first" >&2
    exit 1
  fi
done
if [ ! -f "$plugin" ]; then
  echo "demo.sh: plug-in $plugin is missing; build the target quorvella first" >&2
  exit 1
fi

mkdir -p "$out"
input="$out/demo-input.wav"
"$generator" --float "$input"
echo "wrote $input"

programs=$("$render" --plugin "$plugin" --list-programs)
if [ -z "$programs" ]; then
  echo "demo.sh: $plugin reports no programs" >&2
  exit 1
fi
while IFS=$'\t' read -r index name; do
  slug=$(printf '%s' "$name" | tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9]+/-/g; s/^-+//; s/-+$//')
  file=$(printf '%s/%02d-%s.wav' "$out" "$index" "${slug:-program}")
  # One second of tail lets delays and envelopes ring out.
  "$render" --plugin "$plugin" --program "$index" --tail 1 "$input" -o "$file" </dev/null
done <<<"$programs"
echo "wrote one file per program into $out/ (32-bit float WAV)"

[ -z "${QUORVELLA_DEMO_NO_EDITOR:-}" ] || exit 0
program=()
if grep -q $'\tAuto-Wah$' <<<"$programs"; then program=(--program "Auto-Wah"); fi

# The editor's picture: on the user's display when there is one, else on a private X
# server that goes with this script.
showEditor=0
if [ -n "${DISPLAY:-}" ]; then
  showEditor=1
elif command -v Xvfb >/dev/null; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
  number=""
  read -r -t 30 number <"$fifo" || true
  if [ -z "$number" ]; then
    echo "demo.sh: Xvfb did not start; no editor picture" >&2
    exit 1
  fi
  export DISPLAY=":$number"
else
  echo "demo.sh: no DISPLAY and no Xvfb; no editor picture" >&2
  exit 1
fi
"$render" --plugin "$plugin" "${program[@]}" --editor --picture "$out/editor.png" "$input"
echo "wrote $out/editor.png"

if [ $showEditor -eq 1 ]; then
  echo "The editor is open with the bass line looping through it; close its window to finish."
  "$render" --plugin "$plugin" "${program[@]}" --editor "$input"
fi
