#!/usr/bin/env bash
# Builds velmora-benchmarks optimised in build-release/ (with the stress model
# and the samples it reads) and runs it under a private Xvfb with Mesa's
# software renderer, printing Google Benchmark's table and then the summary of
# figures, ratios and targets. Further arguments go to velmora-benchmarks (for
# example --benchmark_filter=load or --benchmark_repetitions=9).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" --target velmora-benchmarks -j "$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build-release/bin/velmora-benchmarks" "$@"
