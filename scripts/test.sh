#!/usr/bin/env bash
# Builds and runs every test: once in the normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests that need a display get
# a private Xvfb server with Mesa's software renderer. Each suite runs whatever
# became of the other; the script fails at the end if either failed.
#
# usage: scripts/test.sh [--under-load] [--repeat N] [--jobs N]
#   --under-load  two CPU hogs (yes > /dev/null) run while the tests run, and
#                 are ended with the script: a test that races a clock or needs
#                 a quiet machine shows itself
#   --repeat N    runs both suites N times after building once
#   --jobs N      tests ctest runs at a time (default $VELMORA_TEST_JOBS, else
#                 the number of processors); more than the processors adds load
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage() {
    sed -n '/^# usage:/,/^[^#]/s/^# \{0,1\}//p' "$0" >&2
    exit 2
}
under_load=false
repeat=1
jobs=${VELMORA_TEST_JOBS:-$(nproc)}
while (($#)); do
    case $1 in
        --under-load) under_load=true ;;
        --repeat) (($# > 1)) || usage; repeat=$2; shift ;;
        --jobs) (($# > 1)) || usage; jobs=$2; shift ;;
        *) usage ;;
    esac
    shift
done
[[ $repeat =~ ^[1-9][0-9]*$ && $jobs =~ ^[1-9][0-9]*$ ]] || usage

"$root/scripts/setup.sh"
failures=()
suites=()
"$root/scripts/build.sh" build && suites+=(build) || failures+=("the normal build")
"$root/scripts/build.sh" build-sanitize -DVELMORA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug &&
    suites+=(build-sanitize) || failures+=("the sanitizer build")

hogs=()
end_hogs() {
    if ((${#hogs[@]})); then
        kill "${hogs[@]}" 2>/dev/null || true
        wait "${hogs[@]}" 2>/dev/null || true
    fi
}
trap end_hogs EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
if $under_load; then
    for _ in 1 2; do
        # Also ended by the kernel should this script be killed outright.
        setpriv --pdeathsig KILL -- yes >/dev/null &
        hogs+=($!)
    done
    echo "test.sh: two CPU hogs running (${hogs[*]})"
fi

export LIBGL_ALWAYS_SOFTWARE=1
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
outcomes=()
for ((run = 1; run <= repeat; ++run)); do
    for suite in "${suites[@]}"; do
        if xvfb-run -a -s "-screen 0 1280x1024x24" \
            ctest --test-dir "$root/$suite" --output-on-failure -j "$jobs"; then
            outcomes+=("run $run, $suite: passed")
        else
            outcomes+=("run $run, $suite: FAILED")
            failures+=("run $run of $suite")
        fi
    done
done

echo "test.sh: $(date -u '+%F %H:%M UTC'), $repeat run(s), ctest -j $jobs on $(nproc)" \
    "processors$($under_load && echo ", two CPU hogs")"
printf '  %s\n' "${outcomes[@]}"
if ((${#failures[@]})); then
    printf 'test.sh: failed: %s\n' "${failures[@]}" >&2
    exit 1
fi
