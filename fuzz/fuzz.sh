#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs or minimises one of them.
#
#   fuzz/fuzz.sh run model|motion|import [libFuzzer flags...]
#       fuzzes into fuzz-out/<target>/corpus, starting from the committed corpus
#       and the seeds; the log is fuzz-out/<target>/fuzz-0.log, crashes land in
#       fuzz-out/<target>/.
#   fuzz/fuzz.sh merge model|motion|import
#       minimises the committed corpus together with what runs found into
#       fuzz/corpus/<target>.
#
# The machine is shared, so a run is niced and uses one job with one worker.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command=${1:?usage: fuzz/fuzz.sh run|merge model|motion|import [flags...]}
target=${2:?usage: fuzz/fuzz.sh run|merge model|motion|import [flags...]}
shift 2
case $target in model | motion | import) ;; *) echo "unknown target: $target" >&2; exit 2 ;; esac

build=${VELMORA_FUZZ_BUILD:-$root/build-fuzz}
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "fuzz_$target" >/dev/null
binary=$build/bin/fuzz_$target
work=$root/fuzz-out/$target
committed=$root/fuzz/corpus/$target
seeds=$root/fuzz/seeds/$target
mkdir -p "$work/corpus" "$committed"

case $command in
run)
    cd "$work"
    exec nice -n 10 "$binary" "$work/corpus" "$committed" "$seeds" \
        -dict="$root/fuzz/$target.dict" -jobs=1 -workers=1 -rss_limit_mb=2048 -timeout=10 \
        -max_len=8192 -artifact_prefix="$work/" "$@"
    ;;
merge)
    fresh=$(mktemp -d)
    nice -n 10 "$binary" -merge=1 -rss_limit_mb=2048 -timeout=10 "$fresh" "$committed" \
        "$work/corpus"
    rm -f "$committed"/*
    cp "$fresh"/* "$committed"/
    rm -rf "$fresh"
    ;;
*)
    echo "unknown command: $command" >&2
    exit 2
    ;;
esac
