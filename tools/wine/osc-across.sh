#!/usr/bin/env bash
# OSC across the system boundary: liblo's oscsend and oscdump on Linux talk over loopback to
# a plug-in instance of the Windows DLL running under Wine (/ping, /set, /get, and a
# registered client's notification through /getAllRegistered).
#
#   tools/wine/osc-across.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 LINUX_BUILD WINDOWS_BUILD" >&2; exit 2; }
here="$(cd "$(dirname "$0")" && pwd)"
linux="$(cd "$1" && pwd)"
build="$(cd "$2" && pwd)"
arch="$(basename "$build")"
export QUORVELLA_WINEPREFIX="$build/wine-prefix"
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A block of 8 ports that no other test of this machine holds: the same lock files as the
# OSC test programs' port reservations.
locks=/tmp/quorvella-test-ports
mkdir -p "$locks"; chmod 1777 "$locks" 2>/dev/null || true
base=""
for attempt in $(seq 1 200); do
  candidate=$(( 20000 + (RANDOM % 1000) * 8 ))
  exec 8>"$locks/udp-$candidate.lock"
  if flock -n 8; then base=$candidate; break; fi
  exec 8>&-
done
[ -n "$base" ] || { echo "osc-across: no free block of ports" >&2; exit 1; }
server=$((base + 1))
client=$((base + 2))

# The instance listens on "OSC Base Port" + "OSC Port Offset": the base is a preference in
# the registry of the Wine prefix.
"$here/run" "$arch" reg add 'HKCU\Software\Halvercast\com.halvercastlabs.Quorvella' \
  /v "OSC Base Port" /t REG_DWORD /d "$base" /f >/dev/null

"$linux/quorvella-demo-input" "$work/in.wav"
stdbuf -oL oscdump "$client" >"$work/dump.txt" 2>/dev/null &
pids+=($!)
"$here/run" "$arch" "$build/quorvella-render.exe" --plugin "$build/quorvella.dll" \
  --param "OSC Port Offset=1" --live 120 "$work/in.wav" >"$work/host.txt" 2>&1 &
pids+=($!)

# expect PATTERN SECONDS: waits until oscdump has printed a line matching PATTERN.
expect() {
  for _ in $(seq 1 $(( $2 * 10 ))); do
    grep -q -- "$1" "$work/dump.txt" && return 0
    sleep 0.1
  done
  echo "osc-across: no answer matching '$1' within $2 s; oscdump printed:" >&2
  cat "$work/dump.txt" >&2
  echo "the host printed:" >&2
  cat "$work/host.txt" >&2
  return 1
}

url="osc.udp://127.0.0.1:$client"
# The server needs Wine and the plug-in to start: ask until it answers.
for _ in $(seq 1 60); do
  oscsend localhost "$server" /ping ss "$url" /pong
  grep -q " /pong " "$work/dump.txt" && break
  sleep 1
done
expect "/pong ss \"osc.udp://[0-9.]*:$server\" \"Quorvella 1.0.0\"" 5
oscsend localhost "$server" /set if 7 500
oscsend localhost "$server" /get iss 7 "$url" /value
expect '/value if 7 500\.0' 10
oscsend localhost "$server" /registerUpdate iss 7 "$url" /cutoff
oscsend localhost "$server" /getAllRegistered
expect '/cutoff if 7 500\.0' 10
echo "osc-across: $arch answered /ping, /set, /get and a registered notification on port $server"
