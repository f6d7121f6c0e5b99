#!/usr/bin/env bash
# Builds the viewer and its sample characters and starts it from the build folder,
# where the samples are written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build
cd "$root/build"
exec ./bin/velmora "$@"
