#!/usr/bin/env bash
# Builds what the package holds and packs it: build/pratilio_<version>_<arch>.deb (cpack -G DEB
# from the install rules). Install it with: sudo apt install ./build/pratilio_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target pratilio pratilio-xlsread pratilio-db manual distfiles
# cpack names the package it made ("CPack: - package: <path> generated.").
(cd build && cpack -G DEB) | grep -F 'package:'
