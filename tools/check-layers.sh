#!/bin/sh
# The house's layers, checked from the sources: each folder of the plug-in includes only its
# own headers and those of the folders listed for it (lower layers never include higher
# ones, and no face includes another); no folder but platform/ includes an operating-system
# header; no VST type appears below faces/vst2/; and the signal core (dsp/) includes nothing
# but the C++ library and the SSE intrinsics.
#
# Usage: tools/check-layers.sh [source root]. Prints each offending line; exits 1 if any.
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2

# folder: the folders it may include, besides itself. A face may include any layer of the
# product, never another face; a face's folder that is not here yet is skipped.
rules='
platform:
dsp:
framework: dsp platform
lua: framework platform
midi: lua framework dsp platform
osc: midi lua framework dsp platform
effect: osc midi lua framework dsp platform
gui/text: framework platform
gui/elements: gui/text framework dsp platform
gui/script: gui/editor gui/elements gui/text osc midi lua framework dsp platform
gui/editor: gui/script gui/elements gui/text osc midi lua framework dsp platform
gui/product: gui/editor gui/script gui/elements gui/text effect osc midi lua framework dsp platform
faces/vst2: gui/product gui/editor gui/script gui/elements gui/text effect osc midi lua framework dsp platform
faces/lv2: gui/product gui/editor gui/script gui/elements gui/text effect osc midi lua framework dsp platform
faces/standalone: gui/product gui/editor gui/script gui/elements gui/text effect osc midi lua framework dsp platform
'

failed=0
report() {
  echo "$1"
  failed=1
}

# Sources of a folder, without the portable math's stand-ins for the C library headers that
# musl's sources include.
sources() {
  find "$1" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) \
    ! -path 'dsp/portable-math/*'
}

echo "$rules" | while IFS=: read -r folder allowed; do
  [ -n "$folder" ] || continue
  if [ ! -d "$folder" ]; then
    case "$folder" in faces/*) continue ;; esac
    echo "no folder $folder"
    continue
  fi
  for file in $(sources "$folder"); do
    # Quoted includes of our own folders ("folder/Header.h", or "gui/sub/Header.h").
    grep -n '^#include "[a-z0-9_]*/' "$file" | while IFS= read -r line; do
      path=$(echo "$line" | sed 's/^[0-9]*:#include "\([^"]*\)".*/\1/')
      ok=0
      for layer in "$folder" $allowed; do
        case "$path" in "$layer"/*) ok=1 ;; esac
      done
      [ $ok -eq 1 ] || echo "$file:$line: $folder may not include $path"
    done
  done
done > layer-report.$$
[ -s layer-report.$$ ] && { cat layer-report.$$; failed=1; }
rm -f layer-report.$$

# Every face has its rule.
for face in faces/*/; do
  face=${face%/}
  echo "$rules" | grep -q "^$face:" || report "$face: no rule in tools/check-layers.sh"
done

# Operating-system headers belong to platform/.
for folder in dsp framework lua midi osc effect gui faces; do
  matches=$(grep -rnE '^#include <(windows|winsock|ws2tcpip|X11/|GL/glx|unistd|sys/|pthread|dlfcn|fcntl|dirent|fontconfig/)' "$folder")
  [ -z "$matches" ] || report "$matches"
done

# The VST types stay in their face.
for folder in dsp framework lua midi osc effect gui; do
  matches=$(grep -rnE '\b(AEffect|AEffEditor|AudioEffectX?|VstEvents?|VstMidiEvent|audioMasterCallback|ERect)\b' "$folder" |
            grep -vE '^[^:]*:[0-9]+:\s*//')
  [ -z "$matches" ] || report "$matches"
done

# The signal core takes the C++ library and the SSE intrinsics, nothing else.
matches=$(find dsp -type f \( -name '*.h' -o -name '*.cpp' \) ! -path 'dsp/portable-math/*' \
            -exec grep -nH '^#include <' {} + | grep -vE '#include <([a-z_]+|[a-z]*intrin\.h)>')
[ -z "$matches" ] || report "$matches"

exit $failed
