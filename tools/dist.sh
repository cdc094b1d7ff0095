#!/usr/bin/env bash
# Writes the archives users install from: Linux x86-64 (.tar.gz) and Windows 32-bit and
# 64-bit (.zip), each with the plug-in, the README, the docs, the example skin and a short
# install note for its system; the Linux archive also carries the LV2 bundle and the render
# tool.
#
#   tools/dist.sh BUILD_DIR OUT_DIR      (BUILD_DIR/quorvella.so, BUILD_DIR/quorvella.lv2,
#                                         BUILD_DIR/quorvella-render, BUILD_DIR/win32,
#                                         BUILD_DIR/win64)
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
mkdir -p "$2"
out="$(cd "$2" && pwd)"
version=$(cat "$build/VERSION")  # written by CMake from the project's version
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

# common FOLDER: what every archive carries besides the plug-in.
common() {
  cp "$root/README.md" "$1/"
  cp -r "$root/docs" "$1/docs"
  mkdir -p "$1/examples/skins"
  cp -r "$root/examples/skins/." "$1/examples/skins/"
}

linux="quorvella-$version-linux-x86_64"
mkdir -p "$stage/$linux"
cp "$build/quorvella.so" "$build/quorvella-render" "$build/quorvella-standalone" "$stage/$linux/"
cp -r "$build/quorvella.lv2" "$stage/$linux/"
common "$stage/$linux"
for f in quorvella.so quorvella_ui.so manifest.ttl; do
  [ -f "$build/quorvella.lv2/$f" ] || { echo "dist: $build/quorvella.lv2/$f is missing" >&2; exit 1; }
done
lv2note="For LV2 hosts (Ardour, Qtractor, Carla, jalv, lv2apply), copy the folder
quorvella.lv2, with its editor as the plug-in's UI, into ~/.lv2 or /usr/lib/lv2."
cat >"$stage/$linux/INSTALL.txt" <<NOTE
Quorvella $version for Linux (x86-64), VST 2.4 and LV2

Copy quorvella.so into a folder your host scans for VST 2.4 plug-ins, for example
~/.vst or /usr/lib/vst, and let the host rescan.
$lv2note

Preferences are kept in ~/.config/Halvercast/com.halvercastlabs.Quorvella.conf.
Your MIDI scripts go into ~/.local/share/Halvercast/Quorvella/Scripts/ and skins into
~/.local/share/Halvercast/Quorvella/Skins/ (see docs/skins.md and the example skin in
examples/skins). The editor needs X11 with OpenGL.

quorvella-render renders sound files through the plug-in next to it (it needs
libsndfile1 and libx11-6; see docs/tools.md). From this folder:

  ./quorvella-render --list
  ./quorvella-render --program Auto-Wah --param "Osc Pitch=60" in.wav -o out.wav
  ./quorvella-render --editor in.wav

quorvella-standalone is Quorvella as a JACK application, for playing live without a host
(it needs the JACK server or PipeWire's JACK interface, libjack and X11 with OpenGL):

  ./quorvella-standalone --connect
  ./quorvella-standalone --help

The README's commands that start with build/ are for a build from source; with this
archive, run ./quorvella-render from this folder instead of build/quorvella-render.
NOTE
tar -C "$stage" -czf "$out/$linux.tar.gz" "$linux"
echo "wrote $out/$linux.tar.gz"

for arch in win32 win64; do
  bits=32; [ "$arch" = win64 ] && bits=64
  name="quorvella-$version-windows-${bits}bit"
  mkdir -p "$stage/$name"
  cp "$build/$arch/quorvella.dll" "$build/$arch/quorvella-render.exe" "$stage/$name/"
  common "$stage/$name"
  sed 's/$/\r/' >"$stage/$name/INSTALL.txt" <<NOTE
Quorvella $version for Windows ($bits-bit), VST 2.4

Copy quorvella.dll into your host's VST 2.4 plug-in folder (for example
C:\\Program Files\\VSTPlugins or C:\\Program Files\\Steinberg\\VSTPlugins) and let the
host rescan. Use the $bits-bit DLL in a $bits-bit host. It needs no other files: it is
linked statically and uses only the DLLs of Windows itself.

Preferences are kept in the registry under
HKEY_CURRENT_USER\\Software\\Halvercast\\com.halvercastlabs.Quorvella.
Your MIDI scripts go into %APPDATA%\\Halvercast\\Quorvella\\Scripts\\ and skins into
%APPDATA%\\Halvercast\\Quorvella\\Skins\\ (see docs\\skins.md and the example skin in
examples\\skins). The editor needs OpenGL.

quorvella-render.exe renders WAV and AIFF files through the quorvella.dll next to it
(see docs\\tools.md). From this folder, in a command prompt:

  quorvella-render.exe --list
  quorvella-render.exe --program Auto-Wah --param "Osc Pitch=60" in.wav -o out.wav
NOTE
  (cd "$stage" && rm -f "$out/$name.zip" && zip -qr "$out/$name.zip" "$name")
  echo "wrote $out/$name.zip"
done
