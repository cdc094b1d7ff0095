#!/usr/bin/env bash
# Installs the built plug-ins. For the current user (no root): the VST plug-in into ~/.vst
# and the LV2 bundle into ~/.lv2, the folders hosts scan. For packagers, with PREFIX (and
# DESTDIR, prepended to every path): $DESTDIR$PREFIX/lib/vst and $DESTDIR$PREFIX/lib/lv2.
#
#   tools/install.sh BUILD_DIR          (PREFIX and DESTDIR from the environment)
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$1
prefix=${PREFIX:-}
destdir=${DESTDIR:-}
if [ -n "$prefix" ]; then
  vst="$destdir$prefix/lib/vst"
  lv2="$destdir$prefix/lib/lv2"
else
  vst="$destdir$HOME/.vst"
  lv2="$destdir$HOME/.lv2"
fi

bundle="$build/quorvella.lv2"
for f in "$build/quorvella.so" "$bundle/manifest.ttl"; do
  [ -f "$f" ] || { echo "install: $f is missing; run make build first" >&2; exit 1; }
done

install -d "$vst" "$lv2"
install -m 0644 "$build/quorvella.so" "$vst/quorvella.so"
# The bundle as the build left it, replacing an earlier install whole: a file the bundle
# no longer has must not linger where hosts read it.
target="$lv2/quorvella.lv2"
rm -rf "$target"
install -d "$target"
for f in "$bundle"/*; do
  install -m 0644 "$f" "$target/"
done
echo "installed $vst/quorvella.so"
echo "installed $target/"
if [ ! -f "$bundle/quorvella.so" ]; then
  echo "install: note: the LV2 bundle has no plug-in binary yet; LV2 hosts list it but cannot load it" >&2
fi
