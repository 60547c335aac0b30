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

# Starts a private server for this run and stops it when the script ends; sets pg_port.
tarvo_start_pg() {
  pgdir=$(mktemp -d /tmp/tarvo-pg.XXXXXX)
  trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"; rm -rf "$pgdir"' EXIT
  pg_port=$("$root/scripts/pg-test-server.sh" start "$pgdir")
}
