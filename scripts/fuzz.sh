#!/usr/bin/env bash
# Fuzzes the JSON reader: scripts/fuzz.sh [seconds] (default 60).
# Builds the libFuzzer target json_fuzz with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/, then runs it from the seeds in fuzz/corpus/json/. New inputs it finds stay in
# build-fuzz/, not in the source tree. Exits non-zero when the target crashes or times out; the
# input that did it is left in build-fuzz/fuzz-run/ (crash-*, timeout-*, leak-*).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"
run="$build/fuzz-run"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKESTREL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_WERROR=ON >/dev/null
cmake --build "$build" --target json_fuzz -j2

mkdir -p "$run/corpus"
cp "$root"/fuzz/corpus/json/* "$run/corpus/"
cd "$run"
echo "Fuzzing ParseJson for ${seconds}s (log: $run/fuzz.log)"
if ! "$build/fuzz/json_fuzz" "$run/corpus" -dict="$root/fuzz/json.dict" -max_len=65536 \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$run/" -print_final_stats=1 \
  >"$run/fuzz.log" 2>&1; then
  tail -n 60 "$run/fuzz.log" >&2
  echo "json_fuzz failed; the input that did it is saved in $run/" >&2
  exit 1
fi
grep -E '^(Done|stat::)' "$run/fuzz.log"
