#!/usr/bin/env bash
# Checks the form of every C++ source (clang-format) and runs the project's clang-tidy checks
# over the program's sources. Needs a configured build/ (its compile_commands.json).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h')
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"

mapfile -t units < <(git ls-files 'src/*.cpp' 'tools/*.cpp')
echo "clang-tidy: ${#units[@]} files"
run-clang-tidy -quiet -p build -j "$(nproc)" "${units[@]/#/$PWD/}" > build/clang-tidy.log 2>&1 || {
  # The tool colours its report even into a file: the colour codes are taken out.
  sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E 'warning:|error:' | sort -u
  echo "clang-tidy found problems (build/clang-tidy.log)"
  exit 1
}
echo "lint: clean"
