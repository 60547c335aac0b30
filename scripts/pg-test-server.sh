#!/usr/bin/env bash
# Starts or stops a private PostgreSQL server for the tests: its own data and
# socket folder, a free port on 127.0.0.1, never the machine's own cluster.
#   pg-test-server.sh start DIR [MESSAGES]   prints "PORT" on success; MESSAGES is the
#                                           server's lc_messages (default C: English)
#   pg-test-server.sh stop DIR
set -euo pipefail
cmd=${1:?start|stop}
dir=${2:?folder}
bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

as_pg() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

# The server reads lc_messages from the system's locales: generate a missing one.
ensure_locale() {
  local want=$1 norm
  norm=$(echo "$want" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$norm" && return 0
  command -v localedef >/dev/null || "$(dirname "$0")/install-deps.sh"
  localedef -i "${want%%.*}" -f UTF-8 "$want" >/dev/null 2>&1 ||
    { echo "Не удалось создать локаль $want (нужны права root)" >&2; exit 1; }
}

case "$cmd" in
start)
  messages=${3:-C}
  [ "$messages" = C ] || ensure_locale "$messages"
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir"
  chmod 700 "$dir"
  if [ ! -f "$dir/data/PG_VERSION" ]; then
    as_pg "$bindir/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    # One role must give a password, so that a wrong one can be tested.
    as_pg sh -c "printf 'host all tarvo_pw 127.0.0.1/32 scram-sha-256\nlocal all all trust\nhost all all 127.0.0.1/32 trust\n' > '$dir/data/pg_hba.conf'"
  fi
  for attempt in $(seq 1 20); do
    port=$(( 20000 + (RANDOM % 20000) ))
    if as_pg "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
         -o "-p $port -c listen_addresses=127.0.0.1 -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200 -c timezone=UTC -c lc_messages=$messages" \
         start >/dev/null 2>&1; then
      echo "$port" > "$dir/port"
      echo "$port"
      exit 0
    fi
  done
  echo "Не удалось запустить тестовый сервер PostgreSQL, см. $dir/server.log" >&2
  exit 1
  ;;
stop)
  [ -d "$dir/data" ] && as_pg "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
