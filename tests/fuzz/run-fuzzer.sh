#!/usr/bin/env bash
# run-fuzzer.sh FUZZER SEED_DIR SECONDS: runs a fuzzer on a scratch copy of its seeds, with
# limits that turn a hang or an unbounded allocation into a finding.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$seeds"/. "$work"/ 2>/dev/null || true
"$fuzzer" "$work" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 -malloc_limit_mb=64 \
  -max_len=8192 -print_final_stats=1 -artifact_prefix="$PWD/"
