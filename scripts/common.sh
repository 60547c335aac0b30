# Shared by the set-up scripts: dependencies, build, private PostgreSQL server.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TARVO_BUILD_DIR:-$root/build}
# Let ccache reuse objects between checkouts in different folders (CI clones anew).
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1

tarvo_build() {
  "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)" "$@"
}

# Starts a private server for this run and stops it (and any started before) when the script
# ends; sets pg_port and pgdir. Its messages are in Russian, as on a Russian company's server,
# unless another lc_messages is given (C: English).
pg_dirs=()
tarvo_stop_pg() {
  local d
  for d in "${pg_dirs[@]}"; do "$root/scripts/pg-test-server.sh" stop "$d"; rm -rf "$d"; done
}
tarvo_start_pg() {
  pgdir=$(mktemp -d /tmp/tarvo-pg.XXXXXX)
  pg_dirs+=("$pgdir")
  trap tarvo_stop_pg EXIT
  pg_port=$("$root/scripts/pg-test-server.sh" start "$pgdir" "${1:-ru_RU.UTF-8}")
}
