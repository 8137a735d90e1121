#!/usr/bin/env bash
# Configures and builds one variant: "release" (build/), "asan" (build-asan/) or
# "fuzz" (build-fuzz/, clang with libFuzzer).
set -euo pipefail
cd "$(dirname "$0")/.."
variant=${1:-release}
jobs=${JOBS:-$(nproc)}
case "$variant" in
  release) dir=build; opts=() ;;
  asan) dir=build-asan; opts=(-DQUOVEX_SANITIZE=ON -DQUOVEX_GUI=OFF -DQUOVEX_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz) dir=build-fuzz; opts=(-DQUOVEX_FUZZ=ON -DQUOVEX_GUI=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  *) echo "usage: $0 [release|asan|fuzz]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
