#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Pratilio+ need.
# Only what is missing is installed; runs as root, or as a user through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-qpa-plugins
  libsqlcipher-dev libsodium-dev
  libpq-dev postgresql-15
  libfreexl-dev libgsf-1-dev libxlsxwriter-dev libminizip-dev
  mdbtools-dev
  fonts-dejavu-core
  python3 python3-xlrd python3-openpyxl python3-vobject
  shellcheck
  desktop-file-utils appstream librsvg2-bin poppler-utils xdg-user-dirs
  dpkg-dev lintian
  clang libclang-rt-14-dev clang-format clang-tidy
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# As root apt runs directly; otherwise through sudo, which must be told to keep
# DEBIAN_FRONTEND (env passes it through whatever sudo's policy on the environment is).
apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
if [ "$(id -u)" -ne 0 ]; then
  apt=(sudo "${apt[@]}")
fi

# The server packages are for building and testing only: the tests start throw-away clusters
# of their own, so Debian is told beforehand not to create (and start) a system cluster.
if [[ " ${missing[*]} " == *" postgresql-15 "* ]]; then
  conf_dir=${PRATILIO_CREATECLUSTER_DIR:-/etc/postgresql-common/createcluster.d}
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  "${as_root[@]}" mkdir -p "$conf_dir"
  printf 'create_main_cluster = false\n' | "${as_root[@]}" tee "$conf_dir/pratilio.conf" > /dev/null
fi

echo "Installing: ${missing[*]}"
"${apt[@]}" update
"${apt[@]}" install -y --no-install-recommends "${missing[@]}"
