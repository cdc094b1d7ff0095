#!/usr/bin/env bash
# Installs the built plug-ins and the standalone application. For the current user (no
# root): the VST plug-in into ~/.vst and the LV2 bundle into ~/.lv2, the folders hosts scan,
# and quorvella-standalone into ~/.local/bin. For packagers, with PREFIX (and DESTDIR,
# prepended to every path): $DESTDIR$PREFIX/lib/vst, $DESTDIR$PREFIX/lib/lv2 and
# $DESTDIR$PREFIX/bin.
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
  bin="$destdir$prefix/bin"
else
  vst="$destdir$HOME/.vst"
  lv2="$destdir$HOME/.lv2"
  bin="$destdir$HOME/.local/bin"
fi

bundle="$build/quorvella.lv2"
for f in "$build/quorvella.so" "$bundle/manifest.ttl" "$bundle/quorvella.so" "$bundle/quorvella_ui.so" "$build/quorvella-standalone"; do
  [ -f "$f" ] || { echo "install: $f is missing; run make build first" >&2; exit 1; }
done

install -d "$vst" "$lv2" "$bin"
install -m 0644 "$build/quorvella.so" "$vst/quorvella.so"
install -m 0755 "$build/quorvella-standalone" "$bin/quorvella-standalone"
# The bundle as the build left it, replacing an earlier install whole: a file the bundle
# no longer has must not linger where hosts read it.
target="$lv2/quorvella.lv2"
rm -rf "$target"
install -d "$target"
for f in "$bundle"/*; do
  install -m 0644 "$f" "$target/"
done
echo "installed $vst/quorvella.so"
echo "installed $bin/quorvella-standalone"
echo "installed $target/"
