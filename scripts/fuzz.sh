#!/usr/bin/env bash
# Runs every fuzz target for a long while (default 600 s each) and prints what each did.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# The clang tree is built in build-fuzz/; corpora, crash inputs and logs are kept outside the
# clone, in $TONDRIAL_FUZZ_DIR (default ~/.cache/tondrial-fuzz), so they grow from run to run.
# TONDRIAL_FUZZ_JOBS targets run at a time (default 1).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-600}
shift || true
store=${TONDRIAL_FUZZ_DIR:-$HOME/.cache/tondrial-fuzz}
jobs=${TONDRIAL_FUZZ_JOBS:-1}
tree=$root/build-fuzz

scripts/deps.sh test
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTONDRIAL_FUZZ=ON -DTONDRIAL_BUILD_UI=OFF "${launcher[@]}" >/dev/null
cmake --build "$tree" --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
mkdir -p "$store/seeds" "$store/logs"
tests/fuzz/make_corpus.sh "$store/seeds"

run() {
  local t=$1
  mkdir -p "$store/corpus/$t"
  if tests/fuzz/run_fuzzer.sh "$tree/bin/$t" "$seconds" "$store/corpus/$t" \
      "$store/seeds/$t" "tests/fuzz/regressions/$t" >"$store/logs/$t.log" 2>&1; then
    echo "$t: ok"
  else
    echo "$t: FAILED (see $store/logs/$t.log and the crash-/leak-/timeout-/oom- inputs in $store/corpus/$t)"
  fi
}

running=0
for t in "${targets[@]}"; do
  run "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

echo
printf '%-20s %12s %8s %8s %10s %s\n' target executions cov ft corpus findings
for t in "${targets[@]}"; do
  log=$store/logs/$t.log
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' | tail -1)
  cov=$(echo "$last" | awk '{print $2}')
  ft=$(echo "$last" | awk '{print $4}')
  corp=$(echo "$last" | awk '{print $6}')
  finds=$(ls "$store/corpus/$t" | grep -cE '^(crash|leak|timeout|oom|slow-unit)-' || true)
  printf '%-20s %12s %8s %8s %10s %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$finds"
done
