#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz and runs each one on its corpus for
# the given number of seconds (default 10). New inputs go to build/fuzz/corpus/<target>,
# findings to build/fuzz/findings/<target>; the committed seeds are only read.
#
#     bash fuzz/run.sh          # about a minute in all, as scripts/test-all.sh runs it
#     bash fuzz/run.sh 3600     # an hour per target
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-10}"
build="${ZAV_FUZZ_BUILD:-$root/build/fuzz}"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_FUZZ=ON \
  -DZAV_BUILD_TESTS=OFF -DZAV_BUILD_TOOLS=OFF -DZAV_BUILD_BENCH=OFF -DZAV_WERROR=ON "${launcher[@]}" >/dev/null
targets=(fuzz_record_import fuzz_mock_configuration fuzz_driver_session fuzz_block_reader fuzz_property_map)
if [[ -f "$root/src/multi/side_buffer.h" ]]; then targets+=(fuzz_side_buffer); fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The record import target writes each input as a record folder: in memory it runs twice as fast.
if [[ -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$work" "$findings"
  echo "== $target: ${seconds}s"
  # Memory stays bounded: no input may make the library hold or ask for more.
  if ! (cd "$findings" && "$build/bin/$target" -max_total_time="$seconds" -rss_limit_mb=1024 -malloc_limit_mb=256 \
      -timeout=10 -max_len=8192 -print_final_stats=1 "$work" "$root/fuzz/corpus/$target" 2>"$findings/log.txt"); then
    echo "$target found a failure: $findings" >&2
    tail -n 40 "$findings/log.txt" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$findings/log.txt" || true
done
exit "$status"
