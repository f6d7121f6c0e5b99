#!/usr/bin/env bash
# Builds and runs every test: once in the normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests that need a display get
# a private Xvfb server with Mesa's software renderer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
"$root/scripts/build.sh" build-sanitize -DVELMORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export LIBGL_ALWAYS_SOFTWARE=1
run_tests() {
    ctest --test-dir "$root/$1" --output-on-failure -j "$(nproc)"
}
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f run_tests); root='$root'; run_tests build && run_tests build-sanitize"
