#!/bin/sh
# tools/install.sh (make install) into private folders: for a user (HOME), for a packager
# (PREFIX and DESTDIR), and over an earlier install. Files must arrive byte for byte, and
# nothing may land outside the chosen places.
#   install-test.sh SOURCE_DIR BUILD_DIR
set -eu
source=$1
build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvella-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# same DIR: the plug-in, the application and every file of the bundle arrived unchanged
# under DIR.
same() {
  cmp -s "$build/quorvella.so" "$1/vst/quorvella.so" || fail "quorvella.so not in $1/vst"
  cmp -s "$build/quorvella-standalone" "$1/bin/quorvella-standalone" ||
    fail "quorvella-standalone not in $1/bin"
  [ -x "$1/bin/quorvella-standalone" ] || fail "quorvella-standalone is not executable"
  n=0
  for f in "$build/quorvella.lv2"/*; do
    cmp -s "$f" "$1/lv2/quorvella.lv2/$(basename "$f")" || fail "$(basename "$f") not in $1/lv2"
    n=$((n + 1))
  done
  [ "$n" -ge 3 ] || fail "the built bundle has $n files"
  for f in manifest.ttl quorvella.so quorvella_ui.so; do
    [ -f "$1/lv2/quorvella.lv2/$f" ] || fail "the installed bundle has no $f"
  done
  [ "$(ls "$1/lv2/quorvella.lv2" | wc -l)" -eq "$n" ] || fail "extra files in $1/lv2/quorvella.lv2"
}

# A user: ~/.vst, ~/.lv2 and ~/.local/bin, nothing else in the home folder.
mkdir -p "$work/home"
HOME="$work/home" PREFIX= DESTDIR= "$source/tools/install.sh" "$build" >/dev/null 2>&1 ||
  fail "user install failed"
mkdir -p "$work/user"
ln -s "$work/home/.vst" "$work/user/vst"
ln -s "$work/home/.lv2" "$work/user/lv2"
ln -s "$work/home/.local/bin" "$work/user/bin"
same "$work/user"
[ "$(ls -A "$work/home" | tr '\n' ' ')" = ".local .lv2 .vst " ] ||
  fail "home holds $(ls -A "$work/home")"

# Again over it, with a file an older bundle had: the bundle is replaced whole.
echo stale >"$work/home/.lv2/quorvella.lv2/old.ttl"
HOME="$work/home" PREFIX= DESTDIR= "$source/tools/install.sh" "$build" >/dev/null 2>&1 ||
  fail "second user install failed"
same "$work/user"

# A packager: PREFIX under DESTDIR, the home folder untouched.
mkdir -p "$work/home2" "$work/stage"
HOME="$work/home2" PREFIX=/usr DESTDIR="$work/stage" "$source/tools/install.sh" "$build" \
  >/dev/null 2>&1 || fail "packager install failed"
mkdir -p "$work/packaged"
ln -s "$work/stage/usr/lib/vst" "$work/packaged/vst"
ln -s "$work/stage/usr/lib/lv2" "$work/packaged/lv2"
ln -s "$work/stage/usr/bin" "$work/packaged/bin"
same "$work/packaged"
[ -z "$(ls -A "$work/home2")" ] || fail "a packager install wrote into HOME"
[ "$(ls -A "$work/stage")" = "usr" ] || fail "the stage holds $(ls -A "$work/stage")"

# No build to install: a clear refusal, not a half install.
mkdir -p "$work/empty" "$work/home3"
if HOME="$work/home3" PREFIX= DESTDIR= "$source/tools/install.sh" "$work/empty" 2>"$work/err"; then
  fail "installing from an empty build folder succeeded"
fi
grep -q "missing" "$work/err" || fail "no reason given: $(cat "$work/err")"
[ -z "$(ls -A "$work/home3")" ] || fail "a refused install left files"
echo "install: user, reinstall, packager and refusal as expected"
