#!/usr/bin/env bash
# Configures and builds out of tree (build/, or $QUIRELS_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIRELS_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=${QUIRELS_BUILD_TYPE:-RelWithDebInfo} ${QUIRELS_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
