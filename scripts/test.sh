#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)"
cd ..
# The form of the sources and the clang-tidy checks (over build/compile_commands.json).
bash scripts/lint.sh
# The fuzzers, each for a bounded time (their own clang build in build-fuzz/).
bash scripts/fuzz.sh --seconds 10
