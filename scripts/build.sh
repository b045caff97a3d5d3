#!/usr/bin/env bash
# build.sh TREE [cmake options...]: configures and builds one build tree under build/.
# Uses ccache when the machine has it, so a second tree or a second checkout
# recompiles only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
tree="$1"; shift
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "build/$tree" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "build/$tree" -j "${CORVANE_JOBS:-2}"
