#!/usr/bin/env bash
# The standalone application's figures on a private JACK server with the dummy driver:
# the time from its start to the first processed period, and the DSP load JACK reports
# (the server's whole load, of which this one instance is the only client) after it has run
# for a while. Usage: bench/standalone-jack.sh [BUILD] [RATE] [PERIOD] [SECONDS]
set -euo pipefail
build=${1:-build}
rate=${2:-48000}
period=${3:-128}
seconds=${4:-10}
app="$build/quorvella-standalone"
[ -x "$app" ] || { echo "standalone-jack: build $app first (make build)" >&2; exit 1; }

server="quorvella-bench-$$"
config=$(mktemp -d)
trap 'kill "$jackd" 2>/dev/null; wait "$jackd" 2>/dev/null; rm -rf "$config"' EXIT
JACK_NO_AUDIO_RESERVATION=1 jackd --no-realtime --name "$server" -d dummy -r "$rate" \
  -p "$period" >/dev/null 2>&1 &
jackd=$!
for _ in $(seq 100); do
  JACK_DEFAULT_SERVER=$server jack_lsp >/dev/null 2>&1 && break
  sleep 0.1
done

XDG_CONFIG_HOME=$config "$app" --server "$server" --no-gui --verbose --name Bench >"$config/out" \
  2>"$config/err" &
pid=$!
sleep "$seconds"
kill -TERM "$pid"
wait "$pid" || { cat "$config/err" >&2; exit 1; }
echo "quorvella-standalone at $rate Hz, $period frames a period, $seconds s on the dummy driver:"
sed -n 's/^quorvella-standalone: first period processed at frame time [0-9]*, \(.*\)$/  first period processed \1/p; s/^quorvella-standalone: JACK.s DSP load at quit \(.*\)$/  JACK DSP load \1/p' "$config/out"
