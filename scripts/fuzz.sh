#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one.
#   scripts/fuzz.sh                 each fuzzer for 15 seconds (the test command's share)
#   scripts/fuzz.sh --seconds N     each fuzzer for N seconds
#   scripts/fuzz.sh --runs N        each fuzzer for N executions (the long mode: 10000000)
#   scripts/fuzz.sh --jobs N ...    the .xls fuzzer in N processes at once (1 unless told)
#   scripts/fuzz.sh ... xls xlsx    only the fuzzers named (inifile recordfilter dialect
#                                   complexquery xls xlsx vcard csv mdb)
# Seeds: tests/fuzz/corpus/<target>/ (new finds are kept there, in build-fuzz/corpus) and the
# workbooks of other programs in tests/data/ (elenco/, xls/). A crash stops the run
# with the input that caused it; it becomes a file under tests/fuzz/regressions/<target>/.
# The .xls reader runs in libFuzzer's fork mode, going on past crashes: faults inside the
# freexl library (the program reads .xls in a child process, so they end only that child)
# are kept in tests/fuzz/known/xls/ (one input for each) and reported; any fault in our code
# fails the run.
# What libc's functions report on freexl's behalf (its over-read in iconv, reads past its own
# buffers in memcpy: tests/fuzz/freexl.supp) is let go on while fuzzing, as it would stop
# every run within a few dozen inputs; the faults found are re-run without that exception to
# tell whose they are. A fault that does not repeat alone is told by the reports the jobs left
# in build-fuzz/reports-xls/: it is the library's only if every one of them is.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=15)
targets=()
jobs=1
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    inifile|recordfilter|dialect|complexquery|xls|xlsx|vcard|csv|mdb) targets+=("$1"); shift ;;
    *) echo "Opzione sconosciuta: $1" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(inifile recordfilter dialect complexquery xls xlsx vcard csv mdb)

if ! command -v clang++ >/dev/null; then
  echo "clang++ non trovato: i fuzzer non vengono eseguiti (installarlo con scripts/install-deps.sh)." >&2
  exit 0
fi

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
cmake -S tests/fuzz -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j2 >/dev/null

testdata=tests/data
status=0

# Whether the sanitizer's report in log $1 shows the fault inside libfreexl: its first frame
# in either the library or our own sources (src/, tests/) is the library's. Frames of libc,
# the sanitizers and libFuzzer are passed over.
inside_freexl() {
  local first
  first=$(grep -E '^ *#[0-9]+ ' "$1" | grep -m1 -E "libfreexl\.so|$PWD/(build-fuzz/\.\./)?(src|tests)/" || true)
  [[ $first == *libfreexl.so* ]]
}

# What tells one of the library's faults from another in log $1: the kind of error and the
# place in the library of its first frame there.
fault_signature() {
  local kind place
  kind=$(grep -m1 -oE 'ERROR: AddressSanitizer: [A-Za-z-]+|ERROR: libFuzzer: [A-Za-z-]+' "$1" || true)
  place=$(grep -E '^ *#[0-9]+ ' "$1" | grep -m1 -oE 'libfreexl\.so[.0-9]*\+0x[0-9a-f]+' || true)
  echo "$kind $place"
}

# The .xls fuzzer's limit on one allocation. The library allocates every cell of the size a
# sheet declares, at once: 16 MB is a million cells. Larger ones cost the fuzzing most of its
# time (hundreds of megabytes touched for a file of a few kilobytes) and are cut and counted;
# the program itself reads them (tst_xlssheetreader reads a sheet declared 100,000 x 100).
xls_malloc_limit=16

# Runs the .xls fuzzer on input $1 alone, its log in $2, as strictly as the other fuzzers:
# no exception for the library's faults, leaks checked (but the library's own).
rerun_xls() {
  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/freexl-leaks.supp" \
    build-fuzz/fuzz_xls -rss_limit_mb=4096 -malloc_limit_mb=$xls_malloc_limit -timeout=20 "$1" >"$2" 2>&1
}

# Where the jobs of the .xls fuzzer write their sanitizer reports, one file per process.
xls_reports=$PWD/build-fuzz/reports-xls

# Whether every report of the last .xls run (at least one) shows its fault inside libfreexl.
# Files with neither a stack nor an error hold only the count of the library's leaks passed over.
every_report_inside_freexl() {
  local report found=
  for report in "$xls_reports"/*; do
    grep -qE '^ *#[0-9]+ |ERROR|runtime error' "$report" 2>/dev/null || continue
    inside_freexl "$report" || return 1
    found=1
  done
  [ -n "$found" ]
}

# Re-runs every crash, leak, timeout and out-of-memory input the fork mode left in $1 and
# sorts it. The library's faults go to tests/fuzz/known/xls/, one input for each fault (the
# same fault again goes to build-fuzz/known-xls/). Any other fault keeps its place and fails.
classify_xls_faults() {
  local dir=$1 input ours=0 known=0 again=0 memory=0 large=0 unrepeated=0
  local rerun=build-fuzz/fuzz_xls.rerun.log
  local -A seen=()
  mkdir -p build-fuzz/known-xls build-fuzz/memory-xls build-fuzz/unrepeated-xls
  for input in tests/fuzz/known/xls/*; do
    [ -e "$input" ] || continue
    rerun_xls "$input" "$rerun" || seen["$(fault_signature "$rerun")"]=1
  done
  for input in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*; do
    [ -e "$input" ] || continue
    # The library's over-read hits or misses with the layout of the stack: up to 5 tries.
    # The memory an input takes alone does not change: one try.
    local try tries=5 reproduced=
    [[ $input == */oom-* ]] && tries=1
    for ((try = 1; try <= tries; try++)); do
      rerun_xls "$input" "$rerun" || { reproduced=$try; break; }
    done
    if [ -z "$reproduced" ] && [ ! -s "$input" ]; then
      # An empty input that passes alone: the fork mode at times names it for a job that failed
      # on another input (every fuzzer start runs the empty input first, and it passed here).
      echo "fuzz_xls: $input (vuoto) non si ripete da solo: tralasciato" >&2
      rm -f "$input"
    elif [ -z "$reproduced" ] && [[ $input == */oom-* ]]; then
      # The memory limit reached in a job, not by this input alone, and with no leak: the
      # library takes up to gigabytes for a damaged size; the job's own memory did the rest.
      mv "$input" build-fuzz/memory-xls/
      memory=$((memory + 1))
    elif [ -z "$reproduced" ] && every_report_inside_freexl; then
      # Not repeated alone: the fault needed the state its job was in. Our code keeps nothing
      # from one input to the next, and the sanitizers stop it at its own first bad access; the
      # library's own code is not checked, and can spoil memory that a later input trips over.
      # Every report of the run, this job's among them, has its fault inside the library.
      mv "$input" build-fuzz/unrepeated-xls/
      unrepeated=$((unrepeated + 1))
    elif [ -z "$reproduced" ]; then
      # Not repeated alone, and some report of the run points elsewhere: kept to be looked at.
      echo "fuzz_xls: $input non si ripete da solo (rapporti in $xls_reports)" >&2
      ours=$((ours + 1))
    elif grep -q 'out-of-memory (malloc(' "$rerun" && inside_freexl "$rerun"; then
      # One allocation of the library over the limit above: a large declared sheet.
      mv "$input" build-fuzz/memory-xls/
      large=$((large + 1))
    elif inside_freexl "$rerun"; then
      local signature
      signature=$(fault_signature "$rerun")
      if [ -n "${seen[$signature]:-}" ]; then
        mv "$input" build-fuzz/known-xls/
        again=$((again + 1))
      else
        seen["$signature"]=1
        mv "$input" tests/fuzz/known/xls/
        known=$((known + 1))
      fi
    else
      echo "fuzz_xls: guasto nel nostro codice con $input:" >&2
      sed -n '/ERROR:/,/SUMMARY/p' "$rerun" | head -30 >&2
      ours=$((ours + 1))
    fi
  done
  [ "$known" -eq 0 ] || echo "fuzz_xls: guasti NOTI nuovi nella libreria freexl: $known (input in tests/fuzz/known/xls/)"
  [ "$again" -eq 0 ] || echo "fuzz_xls: input con guasti già noti della libreria: $again (in build-fuzz/known-xls/)"
  [ "$large" -eq 0 ] || echo "fuzz_xls: fogli dichiarati di oltre un milione di celle, tralasciati: $large (input in build-fuzz/memory-xls/)"
  [ "$unrepeated" -eq 0 ] || echo "fuzz_xls: guasti che non si ripetono da soli, tutti i rapporti nella libreria: $unrepeated (input in build-fuzz/unrepeated-xls/)"
  [ "$memory" -eq 0 ] || echo "fuzz_xls: limite di memoria raggiunto in un processo, non dal solo input, senza perdite: $memory volte (input in build-fuzz/memory-xls/)"
  [ "$ours" -eq 0 ]
}

for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target
  mkdir -p "$work"
  seeds=("tests/fuzz/corpus/$target")
  [ -d "tests/fuzz/regressions/$target" ] && seeds+=("tests/fuzz/regressions/$target")
  case "$target" in
    xls | xlsx) seeds+=("$testdata/elenco" "$testdata/xls") ;;
    vcard) seeds+=(tests/data/vcard) ;;
    mdb) seeds+=("$testdata/old-office") ;;
  esac
  # Every regression input first, on its own: each must pass.
  if [ -d "tests/fuzz/regressions/$target" ] && [ -n "$(ls -A "tests/fuzz/regressions/$target")" ]; then
    "build-fuzz/fuzz_$target" -detect_leaks=0 "tests/fuzz/regressions/$target"/* >/dev/null 2>&1 || { echo "fuzz_$target: una regressione fallisce" >&2; status=1; }
  fi
  # freexl leaks 16 bytes inside itself on some damaged files (not ours to free): those
  # leaks are passed over by their stack (tests/fuzz/freexl-leaks.supp); ours still count.
  log=build-fuzz/fuzz_$target.log
  mkdir -p "tests/fuzz/regressions/$target"
  options=(-rss_limit_mb=4096 -max_len=65536 -timeout=20 -print_final_stats=1
           "-artifact_prefix=tests/fuzz/regressions/$target/")
  # A Jet file is made of pages of 4 kB: its catalogue and first tables need a few dozen.
  [ "$target" = mdb ] && options[1]=-max_len=524288
  if [ "$target" = xls ]; then
    # Fork mode honours both -runs and -max_total_time, counting the runs of its jobs; its
    # exit code is only that of the last job, so the outcome is the sorting of the faults.
    mkdir -p tests/fuzz/known/xls
    rm -rf "$xls_reports" && mkdir -p "$xls_reports"
    ASAN_OPTIONS="detect_leaks=1:suppressions=$PWD/tests/fuzz/freexl.supp:log_path=$xls_reports/asan" \
      UBSAN_OPTIONS="log_path=$xls_reports/ubsan:print_stacktrace=1" \
      LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/freexl-leaks.supp" \
      build-fuzz/fuzz_xls "${limit[@]}" -fork="$jobs" -ignore_crashes=1 "${options[@]}" -malloc_limit_mb=$xls_malloc_limit \
      "$work" "${seeds[@]}" >"$log" 2>&1 || true
    execs=$(grep -oE '^#[0-9]+: cov:' "$log" | tail -1 | tr -dc '0-9' || true)
    faults=$(grep -oE 'oom/timeout/crash: [0-9]+/[0-9]+/[0-9]+' "$log" | tail -1 | sed 's/.*: //' || true)
    if ! grep -q 'INFO: exiting' "$log"; then
      echo "fuzz_xls: ERRORE, il fuzzer non è arrivato alla fine, vedere $log" >&2
      tail -30 "$log" >&2
      status=1
    elif classify_xls_faults tests/fuzz/regressions/xls; then
      echo "fuzz_xls: ok, ${execs:-?} esecuzioni (oom/timeout/crash: ${faults:-0/0/0}, nessuno nel nostro codice)"
    else
      echo "fuzz_xls: ERRORE, ${execs:-?} esecuzioni; vedere $log e tests/fuzz/regressions/xls/" >&2
      status=1
    fi
  elif "build-fuzz/fuzz_$target" "${limit[@]}" "${options[@]}" "$work" "${seeds[@]}" >"$log" 2>&1; then
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    [ -z "$execs" ] && execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
    echo "fuzz_$target: ok, ${execs:-?} esecuzioni"
  else
    echo "fuzz_$target: ERRORE, vedere $log e tests/fuzz/regressions/$target/" >&2
    tail -30 "$log" >&2
    status=1
  fi
done
exit $status
