#!/usr/bin/env bash
# Redoes the screenshots of the manual (doc/manual/img/*.png) by driving the
# real desktop program under Xvfb with xdotool, keyboard only, as a clerk
# would: first start, registration, opening a month, each annex, validation,
# printing, backup, network settings. Run it again when a screen changes.
#   scripts/manual-shots.sh            (uses the build tree, build/)
# The program runs from a read-only copy with HOME in a temporary folder, so
# it takes the installed layout and touches none of the user's files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIRELS_BUILD_DIR:-$root/build}
img=$root/doc/manual/img

need=()
for p in Xvfb:xvfb openbox:openbox xdotool:xdotool import:imagemagick; do
  command -v "${p%%:*}" >/dev/null || need+=("${p##*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

t=$(mktemp -d "${TMPDIR:-/tmp}/quirels-fotos-XXXXXX")
xvfb= wm= app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  chmod -R u+w "$t" 2>/dev/null
  rm -rf "$t"
}
trap cleanup EXIT

mkdir -p "$t/prog/bin" "$t/home/Documentos" "$t/trabalho"
cp "$build/bin/quirels" "$build/bin/quirels-cli" "$build/bin/quirels-reparo" "$t/prog/bin/"
cp -r "$build/share" "$t/prog/share"
chmod -R a-w "$t/prog"
export HOME=$t/home XDG_CONFIG_HOME=$t/home/.config XDG_DATA_HOME=$t/home/.local/share
export XDG_CONFIG_DIRS=$t/etc-xdg XDG_RUNTIME_DIR=$t/run LANG=pt_BR.UTF-8
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

export DISPLAY=:$((300 + RANDOM % 300))
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
sleep 1
openbox >/dev/null 2>&1 & wm=$!
sleep 1

start() {
  (cd "$t/trabalho" && exec "$t/prog/bin/quirels") >>"$t/quirels.log" 2>&1 & app=$!
  sleep "${1:-7}"
}
stop() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
}
key() { xdotool key --delay 120 "$@"; sleep 0.8; }
type() { xdotool type --delay 60 "$1"; sleep 0.5; }
# A screenshot of the active window (the whole screen with "tela"), reduced
# to a small palette: the manual's pictures stay a few tens of KB.
shot() {
  local name=$1 what=${2:-janela} target
  sleep 1
  if [ "$what" = tela ]; then target=root; else target=$(xdotool getactivewindow); fi
  import -window "$target" -frame "$t/shot.png"
  convert "$t/shot.png" -colors 128 -strip "png8:$img/$name.png"
  echo "manual-shots: $name.png ($(du -k "$img/$name.png" | cut -f1) KB)"
}
