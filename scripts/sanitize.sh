#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan (gcc) into build-asan/ and runs the whole
# test suite there; any sanitizer report fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j"${PRATILIO_JOBS:-2}"
# Leaks of the libraries below us (fontconfig, the platform plugin) are not ours to fix:
# leak checking stays off; every other report aborts the test.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
# Under the sanitizers every run is several times slower: the kill and damaged-file tests look
# for memory errors here with fewer rounds (their counts are the reliability run's business).
export PRATILIO_KILLS="${PRATILIO_KILLS:-40}" PRATILIO_DAMAGED="${PRATILIO_DAMAGED:-40}"
cd build-asan
ctest --output-on-failure -j2 "$@"
