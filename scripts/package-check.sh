#!/usr/bin/env bash
# Checks the Debian package as an installed program: builds it from the
# build tree, unpacks it into a temporary root (dpkg -x), and runs the
# installed programs with HOME and the XDG folders in a temporary folder:
# quirels-cli --version, inicializar, a small month (import, validate,
# generate), and the desktop program offscreen for a few seconds. Nothing may
# be written into the installed tree or the working folder.
#   scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${QUIRELS_BUILD_DIR:-$root/build}}" && pwd)
t=$(mktemp -d "${TMPDIR:-/tmp}/quirels-pacote-XXXXXX")
trap 'chmod -R u+w "$t" 2>/dev/null; rm -rf "$t"' EXIT
fail() { echo "package-check: $*" >&2; exit 1; }

QUIRELS_BUILD_DIR=$build QUIRELS_PACKAGE_DIR=$t/deb QUIRELS_PACKAGE_NO_BUILD=1 "$root/scripts/package.sh"
deb=$(ls "$t"/deb/quirels_*_amd64.deb)
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'

inst=$t/raiz
dpkg -x "$deb" "$inst"
# Installed programs live in folders their users cannot write; the tests run
# as root, who could, so the write bits go (the programs go by them).
chmod -R a-w "$inst"
touch "$t/marca"
sleep 1

mkdir -p "$t/home" "$t/trabalho"
export HOME=$t/home XDG_CONFIG_HOME=$t/home/.config XDG_DATA_HOME=$t/home/.local/share
export XDG_CONFIG_DIRS=$t/etc-xdg XDG_RUNTIME_DIR=$t/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QUIRELS_TEST_SERVIDOR
cli=$inst/usr/bin/quirels-cli
cd "$t/trabalho"

version=$(dpkg-deb -f "$deb" Version)
[ "$("$cli" --version)" = "quirels-cli $version" ] || fail "--version: $("$cli" --version)"
"$cli" --help | grep -q '^  gerar ' || fail "--help lists no gerar"
"$cli" inicializar
[ -f "$XDG_DATA_HOME/quirels/dados/quirels.db" ] || fail "inicializar made no store in the user's data folder"
"$cli" --sim importar-xml "$root/tests/package/mes-exemplo.xml"
"$cli" validar 11222333000181 2003 MAR
"$cli" gerar 11222333000181 2003 MAR
for f in M2003MAR11222333000181.xml M2003MAR11222333000181EMP.xml; do
  [ -f "$HOME/Documentos/Quirels/$f" ] || fail "gerar wrote no $f into ~/Documentos/Quirels"
done
[ -f "$XDG_CONFIG_HOME/quirels/quirels.ini" ] || fail "no settings file in the user's configuration folder"

# The desktop program starts and keeps running until stopped.
set +e
QT_QPA_PLATFORM=offscreen timeout 8 "$inst/usr/bin/quirels" >"$t/quirels.log" 2>&1
rc=$?
set -e
[ $rc -eq 124 ] || { cat "$t/quirels.log" >&2; fail "the desktop program ended by itself (exit $rc)"; }

# Nothing written into the installed tree, nor into the working folder.
written=$(find "$inst" -newer "$t/marca" -print)
[ -z "$written" ] || fail "written beside the programs: $written"
[ -z "$(ls -A "$t/trabalho")" ] || fail "written into the working folder: $(ls -A "$t/trabalho")"

# The manual, the manual pages and the completion are in place.
[ -f "$inst/usr/share/quirels/manual/index.html" ] || fail "no manual"
for m in man1 pt_BR/man1; do
  zcat "$inst/usr/share/man/$m/quirels-cli.1.gz" | grep -q '^\.SH C.DIGOS DE SA.DA' || fail "no exit codes in $m/quirels-cli.1"
done
bash -n "$inst/usr/share/bash-completion/completions/quirels-cli" || fail "completion does not parse"
echo "package-check: ok ($version)"
