#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Pratilio+ need.
# Only what is missing is installed; runs as root or through sudo.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-qpa-plugins
  libsqlcipher-dev libsodium-dev
  libfreexl-dev libgsf-1-dev libxlsxwriter-dev libquazip1-qt6-dev
  fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO -E apt-get install -y --no-install-recommends "${missing[@]}"
