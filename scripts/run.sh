#!/usr/bin/env bash
# Installs what is missing, builds and starts the client. With no "tarvo.ini"
# the client opens the embedded database in the per-user folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${TARVO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target tarvo-scm tarvo-admin
exec "$build/src/tarvo-scm" "$@"
