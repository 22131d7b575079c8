#!/usr/bin/env bash
# Installs what is missing, builds, creates a demo database if the program folder has none,
# and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
db=build/pratilio/Database/DatiCliente.mdb
if [ ! -f "$db" ]; then
  ./build/pratilio-db create "$db" --demo 200
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No graphical display: the program is built but cannot open its window here." >&2
  echo "Start it from a desktop session (or over ssh -X): build/pratilio/pratilio" >&2
  exit 1
fi
exec ./build/pratilio/pratilio
