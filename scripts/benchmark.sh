#!/usr/bin/env bash
# Builds velmora-benchmarks optimised in build-release/ (with the stress model
# and the samples it reads) and runs it with Mesa's software renderer drawing
# offscreen, printing Google Benchmark's table and then the summary of figures,
# ratios and targets. Further arguments go to velmora-benchmarks (for
# example --benchmark_filter=load or --benchmark_repetitions=9).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" --target velmora-benchmarks -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
exec "$root/build-release/bin/velmora-benchmarks" "$@"
