#!/usr/bin/env bash
# A throw-away PostgreSQL 15 cluster for the tests.
#
#   pgcluster.sh start <dir>   initdb in <dir>/data, start it listening only on a Unix socket in
#                              <dir>, make the role "pratilio" (no superuser, may create databases)
#                              and its database "pratilio_template" with citext, from which each
#                              test copies a database of its own.
#   pgcluster.sh stop <dir>    stop the cluster and remove <dir>.
#   pgcluster.sh crash <dir>   stop the server at once (pg_ctl stop -m immediate: no checkpoint,
#                              recovery at the next start), keeping its data.
#   pgcluster.sh restart <dir> start the crashed server again, with the options it had.
#
# PRATILIO_PG_DURABLE=1 at start keeps every commit's log written before the commit returns
# (synchronous_commit=on), so that a crashed server loses no committed transaction; the data
# is still not forced to disk (fsync=off), which only an operating system crash would need.
#
# Run as root, the server runs as the postgres user (it refuses to run as root); otherwise as
# the user running the script. Where the server's programs are missing, start says so and
# leaves no socket: the server tests then skip. A start that fails stops what it started.
set -euo pipefail

bindir=${PRATILIO_PG_BINDIR:-/usr/lib/postgresql/15/bin}
action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop|crash|restart <dir>" >&2
  exit 2
fi

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop() {
  if [ -f "$dir/data/postmaster.pid" ] && [ -x "$bindir/pg_ctl" ]; then
    as_server "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

start_server() {
  as_server "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -o "$(cat "$dir/options")" start > /dev/null
}

case "$action" in
stop)
  stop
  exit 0
  ;;
crash)
  as_server "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null
  exit 0
  ;;
restart)
  start_server
  exit 0
  ;;
start) ;;
*)
  echo "usage: $0 start|stop|crash|restart <dir>" >&2
  exit 2
  ;;
esac

if [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "PostgreSQL 15 is not installed ($bindir/initdb missing): the server tests will be skipped."
  exit 0
fi
if [ "$(id -u)" -eq 0 ] && ! id postgres > /dev/null 2>&1; then
  echo "Running as root without a postgres user: the server tests will be skipped."
  exit 0
fi

stop # a cluster left over by an interrupted run
trap 'echo "The test cluster did not start; its log:" >&2; cat "$dir/server.log" >&2 2>/dev/null || true; stop' ERR
mkdir -p "$dir"
chmod 700 "$dir"
[ "$(id -u)" -eq 0 ] && chown postgres: "$dir"

as_server "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8 \
  --no-sync --no-instructions > "$dir/initdb.log"
synchronous=off
[ "${PRATILIO_PG_DURABLE:-0}" = 1 ] && synchronous=on
echo "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c synchronous_commit=$synchronous -c full_page_writes=off -c max_connections=60" > "$dir/options"
[ "$(id -u)" -eq 0 ] && chown postgres: "$dir/options"
start_server
# The socket folder must be reachable by the tests' user.
chmod 755 "$dir"

psql=("$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U postgres -d postgres)
"${psql[@]}" -c "CREATE ROLE pratilio LOGIN CREATEDB NOSUPERUSER"
"${psql[@]}" -c "CREATE DATABASE pratilio_template OWNER pratilio"
# The extension is made by the database's owner, as an office's administrator would.
"$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -U pratilio -d pratilio_template -c "CREATE EXTENSION citext"
trap - ERR
echo "Test cluster listening in $dir"
