#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for the given number of seconds (default 20) on its
# seed corpus (fuzz/corpus/<target>/); a crash, leak, timeout or out-of-memory fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
status=0
for bin in build-fuzz/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  work=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  echo "-- $name (${seconds}s)"
  if ! "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 \
      -artifact_prefix="$work/" "$work" "${seeds[@]}" >"$work/log" 2>&1; then
    echo "$name: finding"; tail -n 40 "$work/log"; status=1
  else
    grep -E '^#[0-9]+.*DONE|Done [0-9]+ runs' "$work/log" | tail -n1 || true
  fi
  rm -rf "$work"
done
exit $status
