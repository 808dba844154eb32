#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests and the benchmarks.
#
#   scripts/test-server.sh start        starts one; prints shell assignments:
#                                         QUIRELS_TEST_SERVER_DIR=/tmp/quirels-pg-XXXXXX
#                                         QUIRELS_TEST_SERVIDOR=postgresql://USER@127.0.0.1:PORT/postgres
#   scripts/test-server.sh stop DIR     stops the server of DIR and removes DIR
#
# The server runs as an unprivileged user (the "postgres" system user when
# run as root, the current user otherwise), in a new temporary folder, on a
# free port of 127.0.0.1 only, with its socket inside that folder and trust
# authentication (nothing but this machine can reach it, and it lives only as
# long as the run that started it), but for the members of the role
# "quirels_senha", who must give a password.
# QUIRELS_PG_DURABLE=1 keeps the server's durability settings (off by default).
set -euo pipefail

bindir=${QUIRELS_PG_BINDIR:-/usr/lib/postgresql/15/bin}

die() { echo "test-server: $*" >&2; exit 2; }

# Runs a command as the server's user, from a folder that user can read.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    (cd "$dir" && runuser -u postgres -- "$@")
  else
    (cd "$dir" && "$@")
  fi
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start() {
  [ -x "$bindir/initdb" ] && [ -x "$bindir/pg_ctl" ] ||
    die "PostgreSQL 15 is not installed ($bindir); run scripts/setup.sh"
  local user
  if [ "$(id -u)" -eq 0 ]; then
    id postgres >/dev/null 2>&1 || die "the postgres system user is missing; run scripts/setup.sh"
    user=postgres
  else
    user=$(id -un)
  fi
  dir=$(mktemp -d "${TMPDIR:-/tmp}/quirels-pg-XXXXXX")
  chmod 700 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir"
  if ! as_owner "$bindir/initdb" -D "$dir/data" -U "$user" -A trust -E UTF8 --locale=C.UTF-8 \
       >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    die "initdb failed"
  fi
  # The members of "quirels_senha" (made by the tests that need one) must
  # give their password; everyone else is trusted.
  cat >"$dir/data/pg_hba.conf" <<EOF
local all +quirels_senha scram-sha-256
host  all +quirels_senha 127.0.0.1/32 scram-sha-256
local all all trust
host  all all 127.0.0.1/32 trust
EOF
  [ "$(id -u)" -eq 0 ] && chown postgres: "$dir/data/pg_hba.conf"
  # A port taken between the probe and the start makes the start fail; then
  # the next candidate is tried.
  # Durability is of no use to a server thrown away at the end of the run;
  # QUIRELS_PG_DURABLE=1 keeps it (for benchmarks that compare with a store
  # that syncs its writes).
  local fast="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
  [ "${QUIRELS_PG_DURABLE:-0}" = 1 ] && fast=""
  local port started=0 attempt
  for attempt in $(seq 1 20); do
    port=$((20000 + RANDOM % 30000))
    port_in_use "$port" && continue
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
         -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories='$dir' -c max_connections=200 $fast" \
         start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  if [ $started -ne 1 ]; then
    tail -n 20 "$dir/server.log" >&2 2>/dev/null || true
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    die "the server did not start"
  fi
  echo "QUIRELS_TEST_SERVER_DIR=$dir"
  echo "QUIRELS_TEST_SERVIDOR=postgresql://$user@127.0.0.1:$port/postgres"
}

stop() {
  dir=${1:-}
  [ -n "$dir" ] || die "usage: $0 stop DIR"
  case "$(basename "$dir")" in
    quirels-pg-*) ;;
    *) die "not a folder of this script: $dir" ;;
  esac
  [ -d "$dir" ] || return 0
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null 2>&1 ||
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *) die "usage: $0 start | stop DIR" ;;
esac
