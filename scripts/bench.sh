#!/usr/bin/env bash
# Builds and runs the benchmarks on both engines (a private PostgreSQL server on 127.0.0.1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${TARVO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
pgdir=$(mktemp -d /tmp/tarvo-pg.XXXXXX)
trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"; rm -rf "$pgdir"' EXIT
export TARVO_BENCH_PG_HOST=127.0.0.1 TARVO_BENCH_PG_USER=postgres
TARVO_BENCH_PG_PORT=$("$root/scripts/pg-test-server.sh" start "$pgdir")
export TARVO_BENCH_PG_PORT
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
