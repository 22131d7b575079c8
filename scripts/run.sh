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
exec ./build/pratilio/pratilio
