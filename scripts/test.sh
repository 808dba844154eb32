#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest, with a
# throwaway PostgreSQL server for the tests of the server store. The server
# is stopped and its folder removed at the end, whether the tests pass or
# fail. With QUIRELS_TEST_SERVIDOR already set, that server is used instead
# and none is started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIRELS_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [ -z "${QUIRELS_TEST_SERVIDOR:-}" ]; then
  server_dir=
  trap '[ -n "$server_dir" ] && "$root/scripts/test-server.sh" stop "$server_dir"' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  server=$("$root/scripts/test-server.sh" start)
  server_dir=$(sed -n 's/^QUIRELS_TEST_SERVER_DIR=//p' <<<"$server")
  QUIRELS_TEST_SERVIDOR=$(sed -n 's/^QUIRELS_TEST_SERVIDOR=//p' <<<"$server")
  export QUIRELS_TEST_SERVIDOR
  echo "test: PostgreSQL server at $QUIRELS_TEST_SERVIDOR"
fi
# The server tests fail, rather than skip, when they cannot reach it.
export QUIRELS_TEST_SERVIDOR_OBRIGATORIO=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
