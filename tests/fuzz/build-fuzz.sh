#!/usr/bin/env bash
# Builds the object notation fuzzer with clang (libFuzzer + AddressSanitizer) into $1 (default /tmp/tarvo-fuzz)
# and runs it for $2 seconds (default 60) on a corpus seeded from the tests' sample.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-/tmp/tarvo-fuzz}
seconds=${2:-60}
mkdir -p "$out/corpus"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fPIC \
  -I"$root/src" $(pkg-config --cflags Qt6Core) \
  "$root/tests/fuzz/fuzz_objectnotation.cpp" "$root/src/data/modules/objectnotation.cpp" \
  $(pkg-config --libs Qt6Core) -o "$out/fuzz_objectnotation"
printf "object TDataTableFieldMap\n  Tables = <\n    item\n      PhisName = 'bof_headers'\n      EditName = #1082'x'+\n        'y'\n      Fields = <>\n    end>\n  D = {00FF}\n  S = [a, b]\n  L = (1 2.5 'x')\nend\n" > "$out/corpus/seed1"
"$out/fuzz_objectnotation" -max_total_time="$seconds" -max_len=4096 "$out/corpus"
