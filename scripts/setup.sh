#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those missing.
# Runs as root, or through sudo. Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev qt6-translations-l10n
  zlib1g-dev libgtest-dev sqlite3 libsqlite3-dev libzip-dev libxml2-utils
  xvfb xauth fonts-dejavu-core poppler-utils
  postgresql libqt6sql6-psql
  qt6-charts-dev libqt6opengl6-dev
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
