#!/usr/bin/env bash
# Builds Tarvel 4, assembles its game directory and starts it there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${TARVEL_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target gamedir -j"$(nproc)"
cd "$build/game"
exec ./tarvel4 "$@"
