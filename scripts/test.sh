#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the release build's tests, the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every
# fuzz target. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

summary=()
passed=0
failed=0
run_ctest() {
  local dir=$1 label=$2 log line total bad
  log=$(mktemp)
  if ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" 2>&1 | tee "$log"; then :; else
    echo "$label: tests failed"; rm -f "$log"; exit 1
  fi
  line=$(grep -E 'tests passed' "$log" | tail -n1)
  summary+=("$label: $line")
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
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
echo "tests: $passed passed, $failed failed"
