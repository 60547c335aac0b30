#!/usr/bin/env bash
# Builds and runs the benchmarks on both engines (a private PostgreSQL server on 127.0.0.1).
set -euo pipefail
source "$(dirname "$0")/common.sh"
tarvo_build
tarvo_start_pg
export TARVO_BENCH_PG_HOST=127.0.0.1 TARVO_BENCH_PG_PORT=$pg_port TARVO_BENCH_PG_USER=postgres
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
