#!/bin/bash
# A throwaway PostgreSQL cluster for the tests and benchmarks: a temporary
# folder, a loopback port, an unprivileged owner, a password login.
#   pg-cluster.sh start DIR   creates and starts it; its port is written to DIR/port
#   pg-cluster.sh stop DIR    stops it and removes it and DIR
# The role "fenwar" with the password "fenwar-test" may create databases.
# The cluster itself lives in a folder of its own under /tmp, which the server's
# user can reach whatever the rights on the way to DIR are.
set -eu
cmd=${1:-} dir=${2:-}
[ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$bin" ] && [ -x "$bin/pg_ctl" ] || { echo "PostgreSQL server programs not found (Debian package postgresql)" >&2; exit 1; }
root() { [ "$(id -u)" = 0 ]; }
# The server refuses to run as root: the system's postgres user runs it then.
as_owner() { if root; then runuser -u postgres -- "$@"; else "$@"; fi; }
stop() {
  local home
  home=$(cat "$dir/home" 2>/dev/null || true)
  if [ -n "$home" ] && [ -d "$home" ]; then
    [ -f "$home/data/postmaster.pid" ] && as_owner "$bin/pg_ctl" -D "$home/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$home"
  fi
  rm -rf "$dir"
}
case $cmd in
start)
  stop
  mkdir -p "$dir"
  home=$(mktemp -d /tmp/fenwar-pg-XXXXXX)
  echo "$home" > "$dir/home"
  chmod 755 "$home"
  mkdir "$home/data"
  echo fenwar-test > "$home/pw"
  if root; then chown -R postgres "$home"; fi
  chmod 700 "$home/data"
  as_owner "$bin/initdb" -D "$home/data" -U fenwar --pwfile="$home/pw" -A scram-sha-256 -E UTF8 \
    --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; stop; exit 1; }
  for port in $(seq 54320 54399); do
    (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && continue
    if as_owner "$bin/pg_ctl" -D "$home/data" -l "$home/server.log" -w -t 60 \
         -o "-c listen_addresses=127.0.0.1 -p $port -k $home -c fsync=off -c full_page_writes=off -c max_connections=200" \
         start >/dev/null; then
      echo "$port" > "$dir/port"
      exit 0
    fi
  done
  cat "$home/server.log" >&2
  stop
  exit 1
  ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
