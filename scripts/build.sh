#!/usr/bin/env bash
# build.sh TREE [cmake options...]: configures and builds one build tree under build/.
set -euo pipefail
cd "$(dirname "$0")/.."
tree="$1"; shift
cmake -S . -B "build/$tree" -G Ninja "$@" >/dev/null
cmake --build "build/$tree" -j "${CORVANE_JOBS:-2}"
