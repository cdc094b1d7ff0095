#!/usr/bin/env bash
# Renders the demo bass line through every factory program of the plug-in.
#
#   tools/demo.sh BUILD_DIR OUT_DIR
#
# Needs BUILD_DIR/quorvella-demo-input, BUILD_DIR/quorvella-render and the plug-in,
# BUILD_DIR/quorvella.so (QUORVELLA_DEMO_PLUGIN overrides the plug-in path). Writes
# OUT_DIR/demo-input.wav and OUT_DIR/NN-<program name>.wav for each program the plug-in
# reports, numbered from 00, the name lower-cased with other characters as '-'.
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
"$generator" "$input"
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
