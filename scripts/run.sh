#!/usr/bin/env bash
# Installs what is missing, builds, prepares the default data folder and
# starts the desktop application from the project folder (so the data
# folder is ./dados, as the application decides it with no settings).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIRELS_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root"
"$build/bin/quirels-cli" --dados "$root/dados" inicializar
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "quirels: no display available; start it under Xvfb with: xvfb-run -a $build/bin/quirels"
  exit 0
fi
exec "$build/bin/quirels"
