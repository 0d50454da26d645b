#!/usr/bin/env bash
# Installs what is missing, builds zav and streams a few seconds from the built-in
# simulated device.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/release"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF -DZAV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target zav_cli
"$build/bin/zav" stream --seconds "${ZAV_DEMO_SECONDS:-5}"
