#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the release build's tests, the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every
# fuzz target. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

summary=()
run_ctest() {
  local dir=$1 label=$2 log
  log=$(mktemp)
  if ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" 2>&1 | tee "$log"; then :; else
    echo "$label: tests failed"; rm -f "$log"; exit 1
  fi
  summary+=("$label: $(grep -E 'tests passed' "$log" | tail -n1)")
  rm -f "$log"
}

echo "== release build"
bash scripts/build.sh release
run_ctest build release

echo "== sanitizer build (ASan + UBSan)"
bash scripts/build.sh asan
ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest build-asan sanitizers

if ls fuzz/fuzz_*.cpp >/dev/null 2>&1; then
  echo "== fuzz smoke runs"
  bash scripts/build.sh fuzz
  bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
fi

echo
printf '%s\n' "${summary[@]}"
