#!/usr/bin/env bash
# Builds an optimised tree in build-release/ and runs velmora-benchmarks there
# under a private Xvfb with Mesa's software renderer, printing Google
# Benchmark's table and then the summary of figures, ratios and targets.
# Further arguments go to velmora-benchmarks (for example
# --benchmark_filter=load or --benchmark_repetitions=9).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" build-release -DCMAKE_BUILD_TYPE=Release
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build-release/bin/velmora-benchmarks" "$@"
