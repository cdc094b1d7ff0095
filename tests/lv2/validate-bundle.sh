#!/bin/sh
# lv2_validate (lv2-dev, over sordi's sord_validate) on the bundle's Turtle files: any error
# or warning fails (a note that a vocabulary file was skipped does not).
#   validate-bundle.sh BUNDLE_FOLDER
set -u
bundle=$1
for f in manifest.ttl quorvella.ttl presets.ttl; do
  [ -f "$bundle/$f" ] || { echo "missing $bundle/$f"; exit 1; }
done
out=$(lv2_validate "$bundle"/*.ttl 2>&1)
rc=$?
printf '%s\n' "$out"
[ $rc -eq 0 ] || exit 1
if printf '%s\n' "$out" | grep -qi '^\(warning\|error\)'; then exit 1; fi
printf '%s\n' "$out" | grep -q '^Found 0 errors'
