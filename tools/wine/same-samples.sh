#!/usr/bin/env bash
# Checks that the Linux plug-in and both Windows DLLs give the same samples, bit for bit:
# every factory program on the demo bass line and on a sweep, at 44.1 and 48 kHz, each
# rendered by the host tool of its own system (the Windows ones under Wine).
#
#   tools/wine/same-samples.sh LINUX_BUILD WINDOWS_BUILD...
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 LINUX_BUILD WINDOWS_BUILD..." >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
linux="$1"; shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A step that fails says which, instead of ending the script without a word.
trap 'echo "same-samples: failed (status $?): $BASH_COMMAND" >&2' ERR

"$linux/quorvella-demo-input" --float "$work/demo.wav"
"$linux/quorvella-demo-input" --chirp "$work/chirp.wav"
programs=$("$linux/quorvella-render" --plugin "$linux/quorvella.so" --list-programs | cut -f1)
[ -n "$programs" ] || { echo "same-samples: the Linux plug-in lists no programs" >&2; exit 1; }

# render SYSTEM-FOLDER COMMAND...: every program at both rates into $work/SYSTEM/RATE/PROGRAM/.
render() {
  local name="$1"; shift
  for rate in 44100 48000; do
    for program in $programs; do
      local status=0
      "$@" --program "$program" --sample-rate "$rate" --out-dir "$work/$name/$rate/$program" \
        "$work/demo.wav" "$work/chirp.wav" >/dev/null || status=$?
      if [ $status -ne 0 ]; then
        echo "same-samples: $name could not render program $program at $rate Hz (exit status $status)" >&2
        exit 1
      fi
    done
  done
}

render linux "$linux/quorvella-render" --plugin "$linux/quorvella.so"
failures=0
cases=0
for build in "$@"; do
  arch="$(basename "$build")"
  # Wine sees the Unix files through its Z: drive, so plain paths work as arguments.
  render "$arch" "$here/run" "$arch" "$build/quorvella-render.exe" --plugin "$build/quorvella.dll"
  for file in "$work/linux"/*/*/*.wav; do
    other="$work/$arch/${file#"$work/linux/"}"
    cases=$((cases + 1))
    if ! result=$("$linux/quorvella-compare-audio" "$file" "$other"); then
      echo "same-samples: $arch ${file#"$work/linux/"}: $result" >&2
      failures=$((failures + 1))
    fi
  done
done
if [ $failures -ne 0 ]; then
  echo "same-samples: $failures of $cases renders differ from the Linux plug-in" >&2
  exit 1
fi
echo "same-samples: $cases renders identical to the Linux plug-in's"
