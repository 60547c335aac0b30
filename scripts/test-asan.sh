#!/usr/bin/env bash
# Builds the data and extension module tests with AddressSanitizer in their own folder and runs them on both
# engines, so that use after free and reads past a row fail the run. Called by test.sh with
# the private PostgreSQL server already started (TARVO_TEST_PG_* set); ccache keeps rebuilds short.
set -euo pipefail
source "$(dirname "$0")/common.sh"
asan_build=${TARVO_ASAN_BUILD_DIR:-$root/build-asan}
flags="-fsanitize=address -fno-omit-frame-pointer"
cmake -S "$root" -B "$asan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address" >/dev/null
targets=()
for t in "$root"/tests/data/tst_*.cpp "$root"/tests/AddIn/tst_*.cpp; do targets+=("$(basename "$t" .cpp)"); done
cmake --build "$asan_build" -j "$(nproc)" --target "${targets[@]}"
# Leaks are not what this run looks for (Qt keeps some on purpose); any other report fails the test.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1:detect_stack_use_after_return=0
ctest --test-dir "$asan_build" --output-on-failure -j "$(nproc)" -L 'data|addin'
