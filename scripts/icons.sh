#!/usr/bin/env bash
# Renders the program's icon (packaging/icons/quirels.svg) into the PNG sizes
# the package installs; run it after changing the drawing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command -v rsvg-convert >/dev/null || {
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
}
for s in 16 32 48 64 128 256; do
  rsvg-convert -w "$s" -h "$s" "$root/packaging/icons/quirels.svg" -o "$root/packaging/icons/quirels-$s.png"
done
