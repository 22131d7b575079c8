#!/usr/bin/env bash
# Makes the program's PNG icons from pratilio.svg (needs rsvg-convert, package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" pratilio.svg --output "pratilio-$size.png"
done
