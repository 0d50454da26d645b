#!/usr/bin/env bash
# Builds and runs the whole test suite: Linux (normal, then AddressSanitizer and
# UndefinedBehaviorSanitizer, the thread tests under ThreadSanitizer, a short run of every
# fuzz target), then Windows cross-compiled with mingw-w64 under wine.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

"$root/scripts/install-deps.sh" --tests --windows

section() { printf '\n==== %s ====\n' "$1"; }

# A compiler cache, when there is one, lets repeated runs rebuild only what changed;
# paths are taken relative to the checkout so that clones share it.
cache=()
if command -v ccache >/dev/null; then
  cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

section "Linux"
cmake -S "$root" -B "$root/build/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_WERROR=ON "${cache[@]}" >/dev/null
cmake --build "$root/build/linux" -j "$jobs"
ctest --test-dir "$root/build/linux" --output-on-failure -j "$jobs"

section "Linux, AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZAV_WERROR=ON -DZAV_SANITIZE=ON \
  -DZAV_BUILD_BENCH=OFF "${cache[@]}" >/dev/null
cmake --build "$root/build/sanitize" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build/sanitize" --output-on-failure -j "$jobs"

section "Linux, ThreadSanitizer (the tests that run threads)"
cmake -S "$root" -B "$root/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_WERROR=ON -DZAV_TSAN=ON \
  -DZAV_BUILD_BENCH=OFF "${cache[@]}" >/dev/null
cmake --build "$root/build/tsan" -j "$jobs" --target thread_tests rfbridge eeg64_end_to_end_tests
TSAN_OPTIONS=halt_on_error=1 "$root/build/tsan/bin/thread_tests"
TSAN_OPTIONS=halt_on_error=1 "$root/build/tsan/bin/eeg64_end_to_end_tests"

if command -v clang++ >/dev/null; then
  section "Fuzz targets, ten seconds each on their corpus"
  bash "$root/fuzz/run.sh" 10
fi

section "Windows (mingw-w64, under wine)"
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
# One wine server for the whole run: a server that exits when it is idle for a moment can
# refuse a test program that starts just then ("recvmsg: Connection reset by peer"). Wine's
# own services start with the first program and then live as long as the server: started
# here, they hold /dev/null rather than the output pipe of a test, which ctest would
# otherwise wait on until its time-out.
# The serial suite's hang-up makes the server print all its objects: not into this output.
/usr/lib/wine/wineserver -p >/dev/null 2>&1 || true   # already running: that one serves
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
/usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 || true
cmake -S "$root" -B "$root/build/windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DZAV_WERROR=ON "${cache[@]}" >/dev/null
cmake --build "$root/build/windows" -j "$jobs"
ctest --test-dir "$root/build/windows" --output-on-failure -j "$jobs"
