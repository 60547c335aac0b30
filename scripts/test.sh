#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test on SQLite and on a
# private PostgreSQL server started for this run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

build=${TARVO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

pgdir=$(mktemp -d /tmp/tarvo-pg.XXXXXX)
trap '"$root/scripts/pg-test-server.sh" stop "$pgdir"; rm -rf "$pgdir"' EXIT
port=$("$root/scripts/pg-test-server.sh" start "$pgdir")
export TARVO_TEST_PG_HOST=127.0.0.1 TARVO_TEST_PG_PORT=$port TARVO_TEST_PG_USER=postgres

cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
