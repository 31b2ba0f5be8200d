#!/usr/bin/env bash
# Runs one fuzz target for a while on its corpus folders (regression inputs included): the
# inputs already there are all run first, then new ones are tried until the time is up.
# Usage: run_fuzzer.sh TARGET SECONDS WORK_DIR [CORPUS_DIR...]
# New inputs go to WORK_DIR; a crash, leak, timeout or out-of-memory input is kept beside them.
set -euo pipefail
target=$1 seconds=$2 work=$3
shift 3
mkdir -p "$work"
dirs=()
for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
name=$(basename "$target")
# Ceilings: a media file costs at most tens of megabytes to open; a text no more than a few
# times its size. The sanitizers add their own overhead to the process's total.
case "$name" in
  fuzz_media) opts=(-timeout=10 -malloc_limit_mb=64 -rss_limit_mb=1536 -max_len=200000) ;;
  *) opts=(-timeout=5 -malloc_limit_mb=64 -rss_limit_mb=1024 -max_len=16384) ;;
esac
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$target" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/" "$work" "${dirs[@]}"
