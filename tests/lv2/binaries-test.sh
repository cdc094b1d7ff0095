#!/bin/sh
# The bundle's binaries as hosts load them: the plug-in exports lv2_descriptor alone and
# links no GL or window-system library (hosts run it without a display); the UI exports
# lv2ui_descriptor alone. Both were linked with nothing left unresolved.
# Usage: binaries-test.sh BUNDLE_DIR
set -u
bundle=$1
fail=0
exports() { nm -D --defined-only "$1" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | sort | tr '\n' ' '; }
[ "$(exports "$bundle/quorvella.so")" = "lv2_descriptor " ] || {
  echo "quorvella.so exports: $(exports "$bundle/quorvella.so")"; fail=1; }
[ "$(exports "$bundle/quorvella_ui.so")" = "lv2ui_descriptor " ] || {
  echo "quorvella_ui.so exports: $(exports "$bundle/quorvella_ui.so")"; fail=1; }
needed=$(readelf -d "$bundle/quorvella.so" | grep NEEDED)
if printf '%s\n' "$needed" | grep -Eqi 'libGL|libOpenGL|libGLX|libGLEW|libX11|libXft|libxcb|ftgl|fontconfig'; then
  echo "quorvella.so links a GUI library:"; printf '%s\n' "$needed"; fail=1
fi
readelf -d "$bundle/quorvella_ui.so" | grep -q 'libX11' || { echo "quorvella_ui.so does not link X11"; fail=1; }
exit $fail
