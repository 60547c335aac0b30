#!/usr/bin/env bash
# Builds and runs the benchmarks on both engines (a private PostgreSQL server on 127.0.0.1).
# Arguments go to the benchmarks that take rows and an engine (bench_dblayer, bench_rowset).
# Volume generation writes into throw-away databases, never into the per-user one.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tarvo_build
tarvo_start_pg
benchdir=$(mktemp -d /tmp/tarvo-bench.XXXXXX)
trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"; rm -rf "$pgdir" "$benchdir"' EXIT
export TARVO_BENCH_PG_HOST=127.0.0.1 TARVO_BENCH_PG_PORT=$pg_port TARVO_BENCH_PG_USER=postgres
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  if [ "$name" = bench_offerstate ] || [ "$name" = bench_offerlist ] || [ "$name" = bench_accorders ] || [ "$name" = bench_orderlist ] || [ "$name" = bench_addin ] || [ "$name" = bench_proformas ] || [ "$name" = bench_payments ] || [ "$name" = bench_formorders ]; then
    # Scale-1 volume data generated into throw-away databases first (several minutes each).
    "$b" ENGINE=SQLITE "DATABASE MAIN=$benchdir/$name.db"
    psql -q -h 127.0.0.1 -p "$pg_port" -U postgres -d postgres -c "create database tarvo_$name"
    "$b" ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:$pg_port" "DATABASE MAIN=tarvo_$name" "DB USER=postgres" \
      "COMMAND TIMEOUT=0"
  elif [ "$name" = bench_generate ] || [ "$name" = bench_pricelist ] || [ "$name" = bench_accshed ]; then
    "$b" ENGINE=SQLITE "DATABASE MAIN=$benchdir/$name.db"
    psql -q -h 127.0.0.1 -p "$pg_port" -U postgres -d postgres -c "create database tarvo_$name"
    # Generation statements may pass the 30 s command timeout on a busy machine.
    "$b" ENGINE=POSTGRESQL "SERVER NAME=127.0.0.1:$pg_port" "DATABASE MAIN=tarvo_$name" "DB USER=postgres" \
      "COMMAND TIMEOUT=0"
  else
    "$b" "$@"
  fi
done
