#!/usr/bin/env bash
# Runs the reliability tests: one writer, I/O faults, crash safety, damaged files, hostile
# input, and the fuzzers.
#   scripts/reliability.sh          the share the test command runs (a few minutes)
#   scripts/reliability.sh --long   1000 kills, 1000 damaged copies, 10 million runs per fuzzer
# Builds first; the figures of the run are printed at the end (copy them into RELIABILITY.md).
set -euo pipefail
cd "$(dirname "$0")/.."
kills=200 damaged=200 fuzz=(--seconds 15)
if [ "${1:-}" = "--long" ]; then
  kills=1000 damaged=1000 fuzz=(--runs 10000000)
fi
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen PRATILIO_KILLS=$kills PRATILIO_DAMAGED=$damaged
summary=()
for t in tst_onewriter tst_iofaults tst_crashsafety tst_damagedfiles tst_hostileinput; do
  echo "== $t"
  out=$(cd build && "tests/$t" 2>&1) || { echo "$out"; echo "$t: FALLITO" >&2; exit 1; }
  echo "$out" | grep -E "^Totals|QINFO|SKIP" || true
  summary+=("$t: $(echo "$out" | grep -E '^Totals' | head -1)")
  summary+=("$(echo "$out" | grep -E 'QINFO' | sed 's/.*QINFO *: *[^ ]* //' || true)")
done
echo "== fuzzer"
fuzzout=$(bash scripts/fuzz.sh "${fuzz[@]}")
echo "$fuzzout"
echo
echo "Riepilogo ($(date -I)):"
printf '%s\n' "${summary[@]}" | grep -v '^$'
echo "$fuzzout"
