#!/usr/bin/env bash
# Installs everything, then builds and runs every test in four trees:
#   release  - all tests (the Qt parts headless);
#   asan     - all tests again under AddressSanitizer + UBSan;
#   tsan     - the Qt-free libraries (where the station's own threads live) under ThreadSanitizer;
#   fuzz     - the parser fuzz targets for a bounded time (clang's libFuzzer).
# Prints CTest's summary for each tree and one closing line for all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1
bash scripts/install-npm.sh || exit 1

export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu"

passed=0; failed=0; status=0
run_tree() {
  local tree="$1"; shift
  local ctest_args=()
  while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  echo "=== build: $tree"
  if ! bash scripts/build.sh "$tree" "$@"; then
    echo "=== build of $tree FAILED"; status=1; failed=$((failed + 1)); return
  fi
  echo "=== test: $tree"
  local log="build/$tree/ctest.log"
  ctest --test-dir "build/$tree" --output-on-failure -j2 "${ctest_args[@]}" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  local line total bad
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  fi
}

run_tree release -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tree asan -- -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=address -DCORVANE_BENCHMARKS=OFF
run_tree tsan -- -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=thread -DCORVANE_WITH_QT=OFF -DCORVANE_BENCHMARKS=OFF
run_tree fuzz -L fuzz -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON -DCORVANE_WITH_QT=OFF \
  -DCORVANE_BENCHMARKS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

echo
echo "all trees: $passed passed, $failed failed"
exit "$status"
