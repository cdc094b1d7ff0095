#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent and quiet when
# everything is present. Only Debian's own archive is used: binary packages, plus the
# lua5.1, oscpack and musl source packages (built into the plug-in by CMake, see
# lua/DebianLua51.cmake, osc/DebianOscpack.cmake and dsp/PortableMath.cmake).
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
  # LV2: its headers and vocabularies, lilv to read the bundle as a host
  # does, its tools (lv2apply, lv2info), and sord_validate to check the bundle's Turtle.
  lv2-dev liblilv-dev lilv-utils sordi
  # jalv.gtk3: a third-party LV2 host whose GTK window embeds the plug-in's X11 editor
  # (through suil), on the private JACK server of the standalone tests.
  jalv
  # Windows: the DLLs are cross-compiled with mingw-w64 (posix thread model) and their tests
  # run under Wine, 32-bit (wine32, an i386 package) and 64-bit. zip packs the Windows
  # archives of `make dist`.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386 zip
  # What Wine recommends and a plain install leaves out: Mesa's GL for each architecture
  # (WGL windows), OSMesa (WGL into memory bitmaps), and the X libraries its X11 driver
  # loads at run time (a child window's GL reaches the screen through XComposite).
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libosmesa6 libosmesa6:i386
  libxcomposite1 libxcursor1 libxi6 libxrandr2 libxrender1 libxinerama1
  libxcomposite1:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 libxrender1:i386
  libxinerama1:i386
  # The standalone application: libjack to build against, and the JACK server its tests
  # start privately (dummy driver) and users may run.
  libjack-jackd2-dev jackd2
  # `make test-fresh` builds a bare Debian root to prove this list complete.
  debootstrap
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
# They are made from the machine's own deb entries for the release and its updates (apt
# parses both of its formats for us and names the entry each came from, so each keeps its
# key): whatever archive or mirror the machine uses serves the sources too. The security
# suite is left out: it is often another host, and mirrors and proxies that serve its
# packages do not always serve its sources, while apt-get source takes the newest version
# from every deb-src suite it knows. A machine with deb-src entries of its own is left as
# it is.
srcfile=/etc/apt/sources.list.d/quorvella-src.sources
need_update=${force_update:-0}

# signed_by FILE:N — the Signed-By of entry N of a sources file (a stanza of a .sources
# file, a line of a .list file), or nothing.
signed_by() {
  local file=${1%:*} n=${1##*:}
  case $file in
    *.sources)
      awk -v n="$n" 'BEGIN { s = 1 } /^[ \t]*$/ { if (seen) s++; seen = 0; next }
        /^#/ { next } { seen = 1 }
        s == n && tolower($1) == "signed-by:" && NF == 2 { print $2; exit }' "$file" ;;
    *)
      sed -n "${n}p" "$file" | sed -n 's/.*\[[^]]*signed-by=\([^] ]*\).*/\1/p' ;;
  esac
}

own_sources=$(apt-get indextargets --no-release-info --format '$(SOURCESENTRY)' 'Created-By: Sources' 2>/dev/null |
              grep -v "^$srcfile:" | head -n 1 || true)
if [ -z "$own_sources" ]; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  stanzas=""
  while read -r uri suite component entry; do
    key=$(signed_by "$entry")
    stanzas+="Types: deb-src"$'\n'"URIs: $uri"$'\n'"Suites: $suite"$'\n'"Components: $component"$'\n'
    [ -n "$key" ] && stanzas+="Signed-By: $key"$'\n'
    stanzas+=$'\n'
  done < <(apt-get indextargets --no-release-info \
             --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(SOURCESENTRY)' 'Created-By: Packages' |
           awk -v c="$codename" '$2 == c || $2 == c "-updates"' | sort -u)
  if [ -z "$stanzas" ]; then
    echo "install-deps: apt has no deb entry for Debian ${codename:-(unknown release)} to take sources from" >&2
    exit 1
  fi
  if ! printf '%s' "$stanzas" | cmp -s - "$srcfile"; then
    printf '%s' "$stanzas" | $sudo tee "$srcfile" >/dev/null
    need_update=1
  fi
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
