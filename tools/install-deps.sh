#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent and quiet when
# everything is present. Only Debian's own archive is used: binary packages, plus the
# lua5.1, oscpack and musl source packages (built into the plug-in by CMake, see
# midi/DebianLua51.cmake, osc/DebianOscpack.cmake and framework/PortableMath.cmake).
# liblo-tools (oscsend, oscdump) is the OSC client of the tests.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config g++-multilib
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev
  lsp-plugins-vst
  liblua5.1-0-dev lua5.3 liblua5.3-dev dpkg-dev
  # A host exporting its own Lua (5.3) globally: the MIDI scripting tests load the plug-in
  # beside liblua5.3 and into a headless Ardour 7 (ardour7-lua, with its VST scanner).
  liblua5.3-0 binutils ardour
  liboscpack-dev liblo-tools
  xvfb xauth
  # The editor: X11 windows and GLX contexts, GLEW, PNG decoding, FTGL texture fonts over
  # FreeType, fontconfig's font lookup with the fonts it finds for Windows font names; the
  # GUI tests run on Xvfb with Mesa's software renderer, input through XTEST.
  libx11-dev libxtst-dev libgl-dev libglu1-mesa-dev libglew-dev libgl1-mesa-dri libglx-mesa0
  mesa-utils libpng-dev zlib1g-dev libfreetype-dev libftgl-dev libfontconfig-dev
  # The editor's About/Preferences dialog: Xft text in a plain X11 window.
  libxft-dev
  fonts-liberation fonts-dejavu-core
  # Windows: the DLLs are cross-compiled with mingw-w64 (posix thread model) and their tests
  # run under Wine, 32-bit (wine32, an i386 package) and 64-bit. zip packs the Windows
  # archives of `make dist`.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 zip
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# wine32 is an i386 package: the architecture must be known to dpkg before it can be named.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  force_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The Lua 5.1 source package is fetched with apt-get source, which needs deb-src entries.
srcfile=/etc/apt/sources.list.d/quorvella-src.sources
need_update=${force_update:-0}
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  $sudo tee "$srcfile" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi
# An entry alone is not enough: the source index must have been fetched too.
if [ $need_update -eq 0 ] && [ -z "$(apt-cache showsrc lua5.1 2>/dev/null | head -n 1)" ]; then
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  echo "install-deps: installing ${missing[*]:-source index}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >/dev/null
  if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
fi
