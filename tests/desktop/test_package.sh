#!/usr/bin/env bash
# Packs the built program as a .deb and checks the package: its control fields and files,
# lintian, then an install into a throw-away root (dpkg --root, nothing of the machine's own
# dpkg touched). There an ordinary user's first start creates the database in that user's
# folders and adds a person through the input sheet; the installed program then starts on
# that database, a second start finds the person; the package is removed and the user's
# data stay.
# Usage: test_package.sh <build folder> <pratilio-installcheck>
set -euo pipefail

build=$1
driver=$2
work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
failed=0

check() {
  if "$@"; then
    echo "PASS: $*"
  else
    echo "FAIL: $*"
    failed=$((failed + 1))
  fi
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pack" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
deb=$(echo "$work"/pack/pratilio_*_*.deb)
check test -f "$deb"
version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
check test "$(basename "$deb")" = "pratilio_${version}_${arch}.deb"

# Depends: the libraries found by dpkg-shlibdeps, and the platform plugins.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in qt6-qpa-plugins libqt6widgets6 libsqlcipher0 libc6; do
  check grep -qE "(^|, )$package( |,|$)" <<<"$depends"
done
check test "$(dpkg-deb -f "$deb" Description | wc -l)" -gt 5

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/lib/pratilio/pratilio ./usr/lib/pratilio/pratilio-xlsread ./usr/lib/pratilio/pratilio-db \
  ./usr/lib/pratilio/Manuale.pdf ./usr/bin/pratilio ./usr/bin/pratilio-db \
  ./usr/share/applications/io.github.pratilio.Pratilio.desktop \
  ./usr/share/metainfo/io.github.pratilio.Pratilio.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/io.github.pratilio.Pratilio.svg \
  ./usr/share/man/man1/pratilio.1.gz ./usr/share/man/man1/pratilio-db.1.gz \
  ./usr/share/man/it/man1/pratilio.1.gz ./usr/share/man/it/man1/pratilio-db.1.gz \
  ./usr/share/doc/pratilio/copyright ./usr/share/doc/pratilio/changelog.gz; do
  check grep -qxF "$file" <<<"$contents"
done
# No data folders: each user's data go to that user's folders.
check test -z "$(grep -E '/(Database|Output|Backup)/?$' <<<"$contents" || true)"

if command -v lintian >/dev/null; then
  check lintian --fail-on error,warning "$deb"
else
  echo "SKIP: lintian is not installed here (scripts/install-deps.sh installs it): the package is not checked by it."
fi

# The throw-away root: a dpkg database of its own, no maintainer script run outside it.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() {
  dpkg --root="$root" --log="$work/dpkg.log" --force-not-root --force-bad-path --force-depends \
    --force-script-chrootless "$@" >>"$work/dpkg.out" 2>&1
}
check dpkg_root -i "$deb"
program_dir="$root/usr/lib/pratilio"
check test -x "$program_dir/pratilio"
check test "$(readlink -f "$root/usr/bin/pratilio")" = "$(readlink -f "$program_dir/pratilio")"

# An ordinary user with a home of their own: root's tests run it as nobody.
home="$work/home"
mkdir -p "$home" "$work/run" "$work/bin"
cp "$driver" "$work/bin/"
chmod 0755 "$work" "$work/bin" "$root"
chmod 0700 "$work/run"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$home" "$work/run"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  echo "Not root: the steps run as $(id -un), an ordinary user already."
fi
user_env=(env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run")
run_as_user() { "${as_user[@]}" "${user_env[@]}" "$@"; }

database="$home/.local/share/Pratilio+/Database/DatiCliente.mdb"
settings="$home/.config/Pratilio+/Default.ini"
check run_as_user "$work/bin/pratilio-installcheck" "$program_dir" add Installazione
check test -f "$database"
check test -f "$settings"
[ "$(id -u)" -ne 0 ] || check test "$(stat -c %u "$database")" = 65534
check test ! -e "$program_dir/Database"

# The installed program itself finds that database: it holds it open once its window is up.
# Started directly, not through a function, so that $! is the program itself (setpriv and env
# each replace themselves with the next program).
"${as_user[@]}" "${user_env[@]}" "$root/usr/bin/pratilio" >"$work/program.log" 2>&1 &
pid=$!
holds_database() {
  local fd
  for fd in /proc/"$pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$database" ] && return 0
  done
  return 1
}
for _ in $(seq 1 150); do
  holds_database && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
check holds_database
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
[ ! -s "$work/program.log" ] || cat "$work/program.log"

check run_as_user "$work/bin/pratilio-installcheck" "$program_dir" find Installazione

# Removed, the package leaves no file of its own and every file of the user's.
check dpkg_root -r pratilio
check test ! -e "$program_dir"
check test ! -e "$root/usr/bin/pratilio"
check test -f "$database"
check test -f "$settings"
check run_as_user "$work/bin/pratilio-installcheck" "$program_dir" find Installazione

[ "$failed" -eq 0 ] || cat "$work/dpkg.out"
echo "$failed failed"
[ "$failed" -eq 0 ]
