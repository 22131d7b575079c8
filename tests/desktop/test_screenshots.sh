#!/usr/bin/env bash
# The manual's pictures can be taken again at any time: the tool runs over a fresh demo
# database into a scratch folder and writes one picture for each one the manual shows, and
# each picture the manual shows is in the source tree.
# Usage: test_screenshots.sh <build folder>
set -euo pipefail

build=$1
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

check() {
  if "$@"; then
    echo "PASS: $*"
  else
    echo "FAIL: $*"
    failed=$((failed + 1))
  fi
}

is_png() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ]
}

"$build/pratilio-db" create "$work/program/Database/DatiCliente.mdb" --demo 30 >/dev/null
check env QT_QPA_PLATFORM=offscreen "$build/pratilio-screenshots" "$work/program" "$work/pictures"

mapfile -t shown < <(grep -o 'src="screenshots/[a-z]*\.png"' "$root/doc/manual/manuale.html" |
  sed 's|src="screenshots/||;s|"$||' | sort -u)
check test "${#shown[@]}" -eq 8
for picture in "${shown[@]}"; do
  check is_png "$work/pictures/$picture"
  check is_png "$root/doc/manual/screenshots/$picture"
done

echo "$failed failed"
[ "$failed" -eq 0 ]
