#!/usr/bin/env bash
# Checks the form of every C++ source (clang-format) and runs the project's clang-tidy checks
# over the program's sources. The sources are listed from the tree itself, so the checks work
# in a folder without git (an unpacked archive of the sources) as well as in a clone.
#   scripts/lint.sh            both checks
#   scripts/lint.sh --format   the form only (part of the test command: seconds)
#   scripts/lint.sh --tidy     clang-tidy only (needs a configured build/: its
#                              compile_commands.json; several minutes on two cores)
# A check that finds no file to check fails: it would otherwise say "clean" about nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

format=1
tidy=1
case "${1:-}" in
  "") ;;
  --format) tidy=0 ;;
  --tidy) format=0 ;;
  *) echo "Opzione sconosciuta: $1" >&2; exit 2 ;;
esac

# The C++ files below the given folders, in a stable order.
sources_in() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -not -path '*/corpus/*' | LC_ALL=C sort
}

if [ "$format" -eq 1 ]; then
  mapfile -t sources < <(sources_in src tools tests)
  if [ ${#sources[@]} -eq 0 ]; then
    echo "clang-format: no source found below src/, tools/, tests/" >&2
    exit 1
  fi
  echo "clang-format: ${#sources[@]} files"
  clang-format --dry-run --Werror "${sources[@]}"
fi

if [ "$tidy" -eq 1 ]; then
  # Only the program's own translation units: never the tests or the build's generated files.
  mapfile -t units < <(sources_in src tools | grep '\.cpp$')
  if [ ${#units[@]} -eq 0 ]; then
    echo "clang-tidy: no source found below src/, tools/" >&2
    exit 1
  fi
  if [ ! -f build/compile_commands.json ]; then
    echo "clang-tidy: build/compile_commands.json is missing (run scripts/build.sh first)" >&2
    exit 1
  fi
  echo "clang-tidy: ${#units[@]} files"
  run-clang-tidy -quiet -p build -j "$(nproc)" "${units[@]/#/$PWD/}" > build/clang-tidy.log 2>&1 || {
    # The tool colours its report even into a file: the colour codes are taken out.
    sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E 'warning:|error:' | sort -u
    echo "clang-tidy found problems (build/clang-tidy.log)"
    exit 1
  }
fi
echo "lint: clean"
