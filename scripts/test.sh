#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test on SQLite and on a
# private PostgreSQL server started for this run with Russian messages; the
# database layer's own tests run on a second one with English messages too.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tarvo_build
tarvo_start_pg C
export TARVO_TEST_PG_PORT_EN=$pg_port
tarvo_start_pg ru_RU.UTF-8
export TARVO_TEST_PG_HOST=127.0.0.1 TARVO_TEST_PG_PORT=$pg_port TARVO_TEST_PG_USER=postgres
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
# The data tests again under AddressSanitizer (full runs only; TARVO_ASAN=0 skips, =1 forces).
if [ "${TARVO_ASAN:-$([ $# -eq 0 ] && echo 1 || echo 0)}" = 1 ]; then "$root/scripts/test-asan.sh"; fi
