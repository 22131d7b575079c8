#!/usr/bin/env bash
# Installs the built program into a temporary prefix (with a blank in its name, as a user's
# folder may have) and checks the layout, the launcher and the AppStream metadata; then marks
# the installed folder "portable" and starts the installed program there, offscreen, on a
# database made beside it by the installed tool.
# Usage: test_install.sh <build folder>
set -euo pipefail

build=$1
work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
prefix="$work/Programmi studio"
id=io.github.pratilio.Pratilio
failed=0

check() {
  if "$@"; then
    echo "PASS: $*"
  else
    echo "FAIL: $*"
    failed=$((failed + 1))
  fi
}

cmake --install "$build" --prefix "$prefix" >/dev/null

check test -x "$prefix/lib/pratilio/pratilio"
check test -x "$prefix/lib/pratilio/pratilio-xlsread"
check test -x "$prefix/lib/pratilio/pratilio-mdbread"
check test -f "$prefix/lib/pratilio/Manuale.pdf"
check test -f "$prefix/lib/pratilio/pratilio.png"
# No data folders: they are made where the data go, on the first start.
check test ! -e "$prefix/lib/pratilio/Database"
check test ! -e "$prefix/lib/pratilio/Output"
for program in pratilio pratilio-db; do
  check test -L "$prefix/bin/$program"
  check test "$(readlink -f "$prefix/bin/$program")" = "$(readlink -f "$prefix/lib/pratilio/$program")"
done
for page in man1/pratilio.1.gz man1/pratilio-db.1.gz it/man1/pratilio.1.gz it/man1/pratilio-db.1.gz; do
  check test -f "$prefix/share/man/$page"
done
check test -f "$prefix/share/doc/pratilio/copyright"
check test -f "$prefix/share/doc/pratilio/changelog.gz"
for size in 16 24 32 48 64 128 256; do
  check test -f "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
done
check test -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg"

launcher="$prefix/share/applications/$id.desktop"
check test -f "$launcher"
check grep -qxF "Exec=\"$prefix/bin/pratilio\"" "$launcher"
check grep -qxF "Icon=$id" "$launcher"
report=$(desktop-file-validate "$launcher" 2>&1) || true
check test -z "$report"
[ -z "$report" ] || echo "$report"

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
check appstreamcli validate --no-net "$metainfo"
check grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"

# Marked portable, the program keeps its data beside itself, also when started through the
# bin/ link: it holds its database open once the main window is up, and is still running after.
program_dir="$prefix/lib/pratilio"
touch "$program_dir/portable"
database="$program_dir/Database/DatiCliente.mdb"
check "$program_dir/pratilio-db" create "$database" --demo 5
mkdir -p "$work/home"
HOME="$work/home" QT_QPA_PLATFORM=offscreen "$prefix/bin/pratilio" >"$work/program.log" 2>&1 &
pid=$!
holds_database() {
  local fd
  for fd in /proc/"$pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$(readlink -f "$database")" ] && return 0
  done
  return 1
}
for _ in $(seq 1 150); do
  holds_database && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
check holds_database
sleep 1
check kill -0 "$pid"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
[ ! -s "$work/program.log" ] || cat "$work/program.log"

echo "$failed failed"
[ "$failed" -eq 0 ]
