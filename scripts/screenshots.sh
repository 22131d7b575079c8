#!/usr/bin/env bash
# Takes the user manual's pictures of the real windows, on a fresh database of demo data, and
# stores them as doc/manual/screenshots/<window>.png. Run it again whenever a window changes;
# the next build puts the new pictures into Manuale.pdf.
# Usage: screenshots.sh [build folder] [picture folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=$(realpath "${1:-$root/build}")
pictures=${2:-$root/doc/manual/screenshots}

cmake --build "$build" --target pratilio-db pratilio-screenshots >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/pratilio-db" create "$work/Database/DatiCliente.mdb" --demo 30 >/dev/null
mkdir -p "$work/Output"
QT_QPA_PLATFORM=offscreen "$build/pratilio-screenshots" "$work" "$pictures"
