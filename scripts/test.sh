#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite headless, then checks the
# form of the sources. The slower checks (clang-tidy, the fuzzers) are .ci/run's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)"
cd ..
bash scripts/lint.sh --format
