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
typed() { xdotool type --delay 60 "$1"; sleep 0.5; }
# A screenshot of the screen (the program alone on it), reduced to a small
# palette: the manual's pictures stay a few tens of KB.
shot() {
  sleep 1
  import -window root "$t/shot.png"
  convert "$t/shot.png" +dither -colors 64 -strip "png8:$img/$1.png"
  echo "manual-shots: $1.png ($(du -k "$img/$1.png" | cut -f1) KB)"
}
# Stops when the expected window is not there, leaving a picture of the screen.
visible() {
  xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
  import -window root "${TMPDIR:-/tmp}/manual-shots-falha.png"
  echo "manual-shots: no window \"$1\"; the screen: ${TMPDIR:-/tmp}/manual-shots-falha.png" >&2
  exit 1
}
cli() { (cd "$t/trabalho" && "$t/prog/bin/quirels-cli" "$@") >/dev/null; }

mkdir -p "$img"

# First start: the data folder has no store yet; "Sim" creates it.
start 7
shot primeiro-inicio
key Return
sleep 4
visible '^Quirels$'
shot principal

# A month to show: the sample month of the package check, its company in
# every activity group so that every annex has its window.
cli --sim importar-xml "$root/tests/package/mes-exemplo.xml"
sqlite3 "$XDG_DATA_HOME/quirels/dados/quirels.db" "UPDATE Empresa SET FlGrupoI = 1, FlGrupoII = 1, FlGrupoIII = 1,
  FlGrupoIV = 1, FlGrupoV = 1, FlGrupoVI = 1, FlGrupoVII = 1, FlGrupoVIII = 1, FlGrupoIX = 1, DsGrupoIX = 'Outras'"

# Registration (F2), left with Escape.
key F2
visible 'Cadastramento de Nova Empresa'
typed 11444777000161
key Tab
typed 'Quimica Nova Ltda'
shot cadastro
key Escape

# Opening the month (F3): the company's key, Tab to the month and the year.
key F3
visible 'Abrir Empresa'
typed 11222333000181
key Tab Tab
typed MAR
key Tab
typed 2003
shot abrir-mes
key alt+o
sleep 3

# Each annex from the "Quirels" menu.
for letter in a b c d e f g h; do
  key alt+q "$letter"
  sleep 1
  visible "Anexo XI-${letter^^}"
  shot "anexo-$letter"
done

# Validation (F4), then the annex XI-A map in the preview.
key F4
sleep 3
visible 'Relat.*rio de Valida'
shot validacao
key alt+f
key alt+l a
sleep 3
visible 'Previsualizar'
shot impressao
key ctrl+F4

# With the company closed: the backup screen and the network settings.
key alt+a f
key alt+m b
sleep 2
visible 'Backup/Restaura'
shot backup
key alt+f
key alt+m c
sleep 2
visible 'Configura'
shot configuracoes
key Escape

# The text import screen.
key alt+a a t
sleep 2
shot importacao
key Escape
stop
echo "manual-shots: $(ls "$img" | wc -l) pictures, $(du -sk "$img" | cut -f1) KB in all"
