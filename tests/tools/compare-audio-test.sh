#!/bin/sh
# quorvella-compare-audio's verdicts, --skip among them: the exit status is what the
# render checks rely on, so a wrong "identical" would hide any difference.
# Usage: compare-audio-test.sh BUILD_DIR
set -u
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvella-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail=0
# verdict EXPECTED_STATUS ARGS...: the tool's exit status for ARGS.
verdict() {
  expected=$1
  shift
  "$build/quorvella-compare-audio" "$@" >"$work/out" 2>&1
  status=$?
  [ "$status" -eq "$expected" ] || { echo "FAIL: $* gave $status, not $expected: $(cat "$work/out")"; fail=1; }
}
"$build/quorvella-demo-input" --float "$work/demo.wav" >/dev/null
"$build/quorvella-demo-input" --chirp "$work/chirp.wav" >/dev/null
verdict 0 "$work/demo.wav" "$work/demo.wav"
verdict 0 --skip 0 "$work/demo.wav" "$work/demo.wav"
verdict 1 "$work/demo.wav" "$work/chirp.wav"
verdict 1 --skip 1 "$work/demo.wav" "$work/demo.wav"          # one frame short
verdict 1 --skip 100000000 "$work/demo.wav" "$work/demo.wav"  # more than the file holds
verdict 2 --skip -1 "$work/demo.wav" "$work/demo.wav"
verdict 2 --skip 1x "$work/demo.wav" "$work/demo.wav"
verdict 2 "$work/demo.wav"
verdict 2 "$work/demo.wav" "$work/missing.wav"
[ "$fail" -eq 0 ] && echo "compare-audio: verdicts as expected"
exit "$fail"
