#!/usr/bin/env bash
# Runs the reliability tests: one writer, I/O faults, crash safety, damaged files, hostile
# input, and the fuzzers.
#   scripts/reliability.sh          the share the test command runs (a few minutes)
#   scripts/reliability.sh --long   1000 kills, 1000 damaged copies, 10 desks saving at once
#                                   on a server for 10 minutes, 10 million runs per fuzzer
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
if [ "${1:-}" = "--long" ]; then
  # Ten desks for ten minutes on a throw-away cluster of their own, longer than the test
  # command's time limits (ctest's and QtTest's, five minutes each) allow.
  echo "== tst_concurrentdesks, 10 scrivanie per 10 minuti"
  cluster=$(mktemp -d /tmp/pratilio-desks-XXXXXX)
  bash tests/scripts/pgcluster.sh start "$cluster" >/dev/null
  out=$(cd build && PRATILIO_TEST_PGHOST="$cluster" PRATILIO_DESKS=10 PRATILIO_DESK_SECONDS=600 \
          QTEST_FUNCTION_TIMEOUT=1500000 tests/tst_concurrentdesks desksSavingTogetherKeepEveryPromise 2>&1) \
    || { bash tests/scripts/pgcluster.sh stop "$cluster"; echo "$out"; echo "tst_concurrentdesks: FALLITO" >&2; exit 1; }
  bash tests/scripts/pgcluster.sh stop "$cluster"
  echo "$out" | grep -E "^Totals|QINFO" || true
  summary+=("tst_concurrentdesks: $(echo "$out" | grep -E '^Totals' | head -1)")
  summary+=("$(echo "$out" | grep -E 'QINFO' | sed 's/.*QINFO *: *[^ ]* //' || true)")
fi
echo "== fuzzer"
fuzzout=$(bash scripts/fuzz.sh "${fuzz[@]}")
echo "$fuzzout"
echo
echo "Riepilogo ($(date -I)):"
printf '%s\n' "${summary[@]}" | grep -v '^$'
echo "$fuzzout"
