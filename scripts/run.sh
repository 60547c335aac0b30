#!/usr/bin/env bash
# Installs what is missing, builds and starts the client. With no "tarvo.ini"
# the client opens the embedded database in the per-user folder.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tarvo_build --target tarvo-scm tarvo-admin
exec "$build/src/tarvo-scm" "$@"
