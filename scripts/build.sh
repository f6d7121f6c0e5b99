#!/usr/bin/env bash
# Configures and builds into the folder given (default build/); further arguments
# go to CMake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-build}
shift || true
cmake -S "$root" -B "$root/$folder" "$@" >/dev/null
cmake --build "$root/$folder" -j "$(nproc)"
