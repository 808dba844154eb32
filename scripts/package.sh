#!/usr/bin/env bash
# Builds the Debian package quirels_<version>_amd64.deb in the project folder
# (or in $QUIRELS_PACKAGE_DIR) from the build tree, and checks it with lintian.
#   scripts/package.sh                 installs what is missing, builds, packs
#   QUIRELS_PACKAGE_NO_BUILD=1 ...     packs the build tree as it is
#   QUIRELS_LINTIAN=0 ...              skips lintian
# Then: apt install ./quirels_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIRELS_BUILD_DIR:-$root/build}
out=${QUIRELS_PACKAGE_DIR:-$root}

# The packaging tools are needed only here, not for building or testing.
tools=(dpkg-dev file)
[ "${QUIRELS_LINTIAN:-1}" = 1 ] && tools+=(lintian)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  echo "package: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${QUIRELS_PACKAGE_NO_BUILD:-0}" != 1 ]; then
  "$root/scripts/setup.sh"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${QUIRELS_BUILD_TYPE:-RelWithDebInfo} ${QUIRELS_CMAKE_ARGS:-} >/dev/null
  # Only what the package holds, not the tests.
  cmake --build "$build" -j"$(nproc)" --target quirels quirels-cli quirels-reparo quirels-manual \
    quirels-cli-completion quirels-manpages-gz
fi

# Files of the package keep the usual modes whatever the caller's umask.
umask 022
staging=$(mktemp -d "${TMPDIR:-/tmp}/quirels-cpack-XXXXXX")
trap 'rm -rf "$staging"' EXIT
(cd "$build" && cpack -G DEB -B "$staging" >"$staging/cpack.log" 2>&1) || {
  cat "$staging/cpack.log" >&2
  exit 1
}
deb=$(find "$staging" -maxdepth 1 -name 'quirels_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "package: cpack made no package" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/quirels_*.deb
mv "$deb" "$out/"
deb="$out/$(basename "$deb")"
echo "package: $deb"

if [ "${QUIRELS_LINTIAN:-1}" = 1 ]; then
  # Errors fail the package; warnings are shown.
  lintian --tag-display-limit 0 "$deb" | tee "$staging/lintian.log" || true
  if grep -q '^E: ' "$staging/lintian.log"; then
    echo "package: lintian reports errors" >&2
    exit 1
  fi
fi
